#include "app/AppPaths.h"

#include <QDir>
#include <QStandardPaths>

namespace AppPaths {

QString dataFolder() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString folder = QDir(base).filePath(QStringLiteral("Quillhour"));
    QDir().mkpath(folder);
    return folder;
}

QString defaultDatabasePath() {
    return QDir(dataFolder()).filePath(QStringLiteral("quillhour.db"));
}

} // namespace AppPaths
