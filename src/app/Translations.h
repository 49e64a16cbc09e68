#pragma once

#include <QString>

class QCoreApplication;

// The program in the system's language: its own translation, and Qt's for the texts of the
// standard dialogs and buttons. With no translation for the language everything stays English.
namespace Translations {

// Installs the translations for the system's language (LANGUAGE, LC_ALL, LC_MESSAGES or LANG)
// into app; returns the name of the program's translation loaded ("de"), or empty text.
QString install(QCoreApplication& app);

} // namespace Translations
