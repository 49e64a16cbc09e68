#pragma once

#include <QString>
#include <QtGlobal>

// SQLite's locking only works among processes of one computer: several computers writing one file
// over a network file system lose or corrupt data. These tell where a file lives.

// Whether the file at path (or, for a file not made yet, the folder it would go in) is on a
// network or user-space file system: NFS, SMB/CIFS, FUSE (sshfs, GlusterFS, ...), AFS, Ceph, 9p,
// Coda, NCP, GFS2, OCFS2, Lustre and the like. False when it cannot be told.
bool isNetworkFileSystem(const QString& path);

// The decision itself, on the f_type that statfs reports.
bool isNetworkFileSystemType(quint64 magic);
