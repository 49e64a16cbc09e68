#include "session/Shell.h"

QString Shell::programTitle() {
    return QStringLiteral("Quillhour %1.%2").arg(majorVersion()).arg(minorVersion());
}

int Shell::majorVersion() {
    return QUILLHOUR_VERSION_MAJOR;
}

int Shell::minorVersion() {
    return QUILLHOUR_VERSION_MINOR;
}
