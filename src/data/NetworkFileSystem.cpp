#include "data/NetworkFileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <sys/vfs.h>

bool isNetworkFileSystemType(quint64 magic) {
    // Values from linux/magic.h and the file systems' own sources; f_type is a signed word on
    // some platforms, so only the low 32 bits are compared.
    switch (magic & 0xffffffffULL) {
    case 0x6969:     // NFS
    case 0x517b:     // SMB (smbfs)
    case 0xff534d42: // CIFS
    case 0xfe534d42: // SMB2/3 (cifs, smb3)
    case 0x65735546: // FUSE: sshfs, GlusterFS, s3fs, rclone, ...
    case 0x5346414f: // AFS (OpenAFS)
    case 0x6b414653: // AFS (kAFS)
    case 0x00c36400: // Ceph
    case 0x01021997: // 9p (v9fs)
    case 0x73757245: // Coda
    case 0x564c:     // NCP (NetWare)
    case 0x01161970: // GFS2
    case 0x7461636f: // OCFS2
    case 0x0bd00bd0: // Lustre
    case 0x20030528: // OrangeFS (PVFS2)
    case 0x47504653: // GPFS (IBM Spectrum Scale)
    case 0x19830326: // BeeGFS (FhGFS)
    case 0xaad7aaea: // PanFS
    case 0xbeefdead: // StorNext
    case 0x786f4256: // VirtualBox shared folders
    case 0xbacbacbc: // VMware shared folders
    case 0x7c7c6673: // Parallels shared folders
        return true;
    default:
        return false;
    }
}

bool isNetworkFileSystem(const QString& path) {
    if (path.trimmed().isEmpty()) {
        return false;
    }
    // The folder decides: it is where SQLite also keeps the -wal and -shm files. For a file not
    // made yet, the nearest folder that exists.
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder) {
            return false;
        }
        folder = parent;
    }
    struct statfs fs {};
    if (statfs(QFile::encodeName(folder).constData(), &fs) != 0) {
        return false;
    }
    return isNetworkFileSystemType(quint64(fs.f_type));
}
