#include "platform/desktop/DesktopFolderOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopFolderOpener::openFolder(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
