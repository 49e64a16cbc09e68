// Compiled into every test program with windows: the program's English is installed as the
// application starts, as the program installs it on an English desktop, so the tests read the
// counts as people do ("1 Process", not the sources' "1 Processes"). Installed first, it gives
// way to a translation a test installs itself.

#include "app/Translations.h"

#include <QCoreApplication>

namespace {

void installProgramEnglish() {
    if (!Translations::installEnglish(*QCoreApplication::instance())) {
        qFatal("The program's English translation could not be loaded");
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProgramEnglish)
