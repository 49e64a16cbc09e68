#pragma once

#include <QString>

// Names that people type (users, categories) and window titles, joined into other text.
namespace NameText {

// The name kept apart from the text around it: a name written right to left, or one that holds
// a direction control such as a right-to-left override, is wrapped in a first-strong isolate
// (U+2068 ... U+2069), so it can neither turn the text after it around nor be turned itself. A
// name with nothing of the kind is returned as it is.
QString isolated(const QString& name);

} // namespace NameText
