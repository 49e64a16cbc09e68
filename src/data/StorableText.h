#pragma once

#include <QString>
#include <QVariantList>

// Text that the engines cannot keep. A NUL character (often pasted along with text from another
// program) ends a text on the server, which then reports a statement it cannot read; SQLite
// would keep it, and every other program reading the row would see the text cut short there.
// Both engines refuse it alike, before the statement is sent, with words a person understands.
namespace StorableText {

// Throws DatabaseError (Kind::Statement) naming the first text value that holds a NUL
// character; does nothing when none does.
void check(const QVariantList& values, const QString& statement);

} // namespace StorableText
