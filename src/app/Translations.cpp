#include "app/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

const QString Folder = QStringLiteral(":/translations");
const QString Name = QStringLiteral("quillhour");

} // namespace

QString Translations::install(QCoreApplication& app) {
    // Compiled into the program (the translations folder of the source tree).
    auto* own = new QTranslator(&app);
    if (!own->load(QLocale::system(), Name, QStringLiteral("_"), Folder)) {
        // No translation for the language: the English texts. Qt's own texts stay as they are.
        delete own;
        return installEnglish(app) ? QStringLiteral("en") : QString();
    }
    QCoreApplication::installTranslator(own);
    // Qt's own texts ("Yes", "No", "Cancel", the file dialog) only with a translation of the
    // program's: a window half in one language and half in another helps nobody.
    auto* qt = new QTranslator(&app);
    if (qt->load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    return QFileInfo(own->filePath()).completeBaseName().section(QLatin1Char('_'), 1);
}

bool Translations::installEnglish(QCoreApplication& app) {
    auto* english = new QTranslator(&app);
    if (!english->load(Name + QStringLiteral("_en"), Folder)) {
        delete english;
        return false;
    }
    QCoreApplication::installTranslator(english);
    return true;
}
