#include "app/Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString Translations::install(QCoreApplication& app) {
    // Compiled into the program (the translations folder of the source tree).
    auto* own = new QTranslator(&app);
    if (!own->load(QLocale::system(), QStringLiteral("quillhour"), QStringLiteral("_"),
                   QStringLiteral(":/translations"))) {
        delete own;
        return {};
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
