#include "data/NetworkFileSystem.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Telling a network or user-space file system (where an SQLite file is not safe to share) from a
// local disk.
class NetworkFileSystemTest : public QObject {
    Q_OBJECT

private slots:
    void knownTypes_data();
    void knownTypes();
    void localFoldersAreNotNetwork();
    void fuseMountIsNetwork();
};

void NetworkFileSystemTest::knownTypes_data() {
    QTest::addColumn<quint64>("magic");
    QTest::addColumn<bool>("network");
    QTest::newRow("NFS") << quint64(0x6969) << true;
    QTest::newRow("SMB") << quint64(0x517b) << true;
    QTest::newRow("CIFS") << quint64(0xff534d42) << true;
    QTest::newRow("SMB2") << quint64(0xfe534d42) << true;
    QTest::newRow("FUSE") << quint64(0x65735546) << true;
    QTest::newRow("AFS") << quint64(0x5346414f) << true;
    QTest::newRow("Ceph") << quint64(0x00c36400) << true;
    QTest::newRow("9p") << quint64(0x01021997) << true;
    QTest::newRow("Coda") << quint64(0x73757245) << true;
    QTest::newRow("NCP") << quint64(0x564c) << true;
    QTest::newRow("GFS2") << quint64(0x01161970) << true;
    // statfs gives f_type as a signed word: CIFS may arrive sign-extended.
    QTest::newRow("CIFS sign-extended") << quint64(0xffffffffff534d42ULL) << true;
    QTest::newRow("ext4") << quint64(0xef53) << false;
    QTest::newRow("btrfs") << quint64(0x9123683e) << false;
    QTest::newRow("xfs") << quint64(0x58465342) << false;
    QTest::newRow("tmpfs") << quint64(0x01021994) << false;
    QTest::newRow("overlay") << quint64(0x794c7630) << false;
    QTest::newRow("zfs") << quint64(0x2fc12fc1) << false;
    QTest::newRow("unknown") << quint64(0) << false;
}

void NetworkFileSystemTest::knownTypes() {
    QFETCH(quint64, magic);
    QFETCH(bool, network);
    QCOMPARE(isNetworkFileSystemType(magic), network);
}

void NetworkFileSystemTest::localFoldersAreNotNetwork() {
    QTemporaryDir folder;
    QVERIFY(!isNetworkFileSystem(folder.filePath(QStringLiteral("quillhour.db"))));
    // A file in folders not made yet is judged by the nearest folder that exists.
    QVERIFY(!isNetworkFileSystem(folder.filePath(QStringLiteral("a/b/c/quillhour.db"))));
    QVERIFY(!isNetworkFileSystem(folder.path()));
    QVERIFY(!isNetworkFileSystem(QString()));
    QVERIFY(!isNetworkFileSystem(QStringLiteral("relative-name.db")));
}

// A real user-space mount, where the system allows one (bindfs mirrors a folder through FUSE).
void NetworkFileSystemTest::fuseMountIsNetwork() {
    const QString bindfs = QStandardPaths::findExecutable(QStringLiteral("bindfs"));
    if (bindfs.isEmpty()) {
        QSKIP("bindfs is not installed");
    }
    QTemporaryDir folder;
    const QString source = folder.filePath(QStringLiteral("source"));
    const QString mount = folder.filePath(QStringLiteral("mount"));
    QVERIFY(QDir().mkpath(source));
    QVERIFY(QDir().mkpath(mount));
    QProcess mounting;
    mounting.start(bindfs, {source, mount});
    QVERIFY(mounting.waitForFinished(20000));
    if (mounting.exitCode() != 0) {
        QSKIP(qPrintable(QStringLiteral("this system allows no FUSE mount here: ") +
                         QString::fromUtf8(mounting.readAllStandardError()).trimmed()));
    }
    auto unmount = qScopeGuard([&] {
        if (QProcess::execute(QStringLiteral("fusermount"), {QStringLiteral("-u"), mount}) != 0) {
            QProcess::execute(QStringLiteral("umount"), {mount});
        }
    });
    QVERIFY(isNetworkFileSystem(mount + QStringLiteral("/quillhour.db")));
    QVERIFY(isNetworkFileSystem(mount + QStringLiteral("/not/yet/made.db")));
    QVERIFY(!isNetworkFileSystem(source + QStringLiteral("/quillhour.db")));
}

QTEST_GUILESS_MAIN(NetworkFileSystemTest)
#include "tst_networkfilesystem.moc"
