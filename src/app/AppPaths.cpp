#include "app/AppPaths.h"

#include "data/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace AppPaths {

QString dataFolder() {
    const QString folder = SqliteFile::ownFolder();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder)) {
        // The person's own databases live here: nobody else enters.
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return folder;
}

QString defaultDatabasePath() {
    return QDir(dataFolder()).filePath(QStringLiteral("quillhour.db"));
}

} // namespace AppPaths
