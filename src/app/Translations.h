#pragma once

#include <QString>

class QCoreApplication;

// The program in the system's language: its own translation, and Qt's for the texts of the
// standard dialogs and buttons. With no translation for the language everything stays English,
// with the English forms of counts ("1 minute", "2 minutes").
namespace Translations {

// Installs the translations for the system's language (LANGUAGE, LC_ALL, LC_MESSAGES or LANG)
// into app; returns the name of the program's translation loaded ("de", or "en" for English and
// every language without a translation of its own), or empty text.
QString install(QCoreApplication& app);
// Installs the program's English: the texts as the sources have them, but for counts, which get
// their singular ("1 minute") from it. False when it could not be loaded.
bool installEnglish(QCoreApplication& app);

} // namespace Translations
