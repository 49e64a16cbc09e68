#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

// Quillhour as a distribution gets it: the files `cmake --install` puts under a DESTDIR, the
// menu entry and AppStream metadata as their validators see them, the manual page against the
// program's own --help, and the Debian package that cpack makes from this build folder.
class InstallTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void installsTheProgramAndItsDesktopFiles();
    void desktopEntryAndMetadataValidate();
    void manualPageNamesEveryOptionAndSetting();
    void debianPackageRunsAndPassesLintian();

private:
    struct Result {
        int exitCode = -1;
        QString output; // standard output and error together
    };
    static Result
    run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000);
    static QStringList filesUnder(const QString& root);
    QString installed(const QString& path) const { return m_root.filePath(path); }

    QTemporaryDir m_root; // the DESTDIR
};

namespace {

const QString AppId = QStringLiteral(QUILLHOUR_APP_ID);

// Everything an installation holds, below the prefix /usr.
const QStringList InstalledFiles = {
    QStringLiteral("usr/bin/quillhour"),
    QStringLiteral("usr/share/applications/%1.desktop").arg(AppId),
    QStringLiteral("usr/share/doc/quillhour/changelog.gz"),
    QStringLiteral("usr/share/doc/quillhour/copyright"),
    QStringLiteral("usr/share/icons/hicolor/128x128/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/16x16/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/22x22/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/24x24/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/256x256/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/32x32/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/48x48/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/64x64/apps/%1.png").arg(AppId),
    QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(AppId),
    QStringLiteral("usr/share/man/man1/quillhour.1.gz"),
    QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId),
};

// The value of a key in the [Desktop Entry] group.
QString desktopValue(const QString& path, const QString& key) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    bool inEntry = false;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
        } else if (inEntry && line.startsWith(key + QLatin1Char('='))) {
            return line.mid(key.size() + 1);
        }
    }
    return {};
}

} // namespace

InstallTest::Result InstallTest::run(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& environment, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        return {-1, program + QStringLiteral(" did not start: ") + process.errorString()};
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, program + QStringLiteral(" took too long")};
    }
    const QString output = QString::fromUtf8(process.readAll());
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, output};
}

QStringList InstallTest::filesUnder(const QString& root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(QDir(root).relativeFilePath(it.next()));
    }
    files.sort();
    return files;
}

void InstallTest::initTestCase() {
    // Every program this test starts inherits it: none reaches the desktop's session bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), m_root.path());
    const Result install = run(QStringLiteral(CMAKE_COMMAND),
                               {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                QStringLiteral("--prefix"), QStringLiteral("/usr")},
                               environment);
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void InstallTest::installsTheProgramAndItsDesktopFiles() {
    QCOMPARE(filesUnder(m_root.path()), InstalledFiles);

    const Result version =
        run(installed(QStringLiteral("usr/bin/quillhour")), {QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QVERIFY2(version.output.startsWith(QStringLiteral("Quillhour " QUILLHOUR_VERSION "\n")),
             qPrintable(version.output));
    QVERIFY2(version.output.contains(QStringLiteral("GPL-3.0-or-later")),
             qPrintable(version.output));

    // The menu entry starts the installed program and shows the installed icon.
    const QString desktop =
        installed(QStringLiteral("usr/share/applications/%1.desktop").arg(AppId));
    QCOMPARE(desktopValue(desktop, QStringLiteral("Exec")), QStringLiteral("quillhour"));
    QCOMPARE(desktopValue(desktop, QStringLiteral("Icon")), AppId);
    QCOMPARE(desktopValue(desktop, QStringLiteral("Categories")),
             QStringLiteral("Office;ProjectManagement;Qt;"));
    QImageReader icon(
        installed(QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(AppId)));
    QCOMPARE(icon.format(), QByteArray("svg"));
    QVERIFY2(!icon.read().isNull(), qPrintable(icon.errorString()));
    // Beside it, bitmaps of each size a panel asks for, drawn and not empty.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage bitmap(installed(
            QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(AppId)));
        QCOMPARE(bitmap.size(), QSize(size, size));
        QVERIFY(bitmap.pixelColor(size * 12 / 32, size * 20 / 32).alpha() > 0); // the dial
    }
    // The menu entry speaks German too.
    QVERIFY(!desktopValue(desktop, QStringLiteral("Comment[de]")).isEmpty());

    // The copyright file names the licence, as Debian lays it out.
    QFile copyright(installed(QStringLiteral("usr/share/doc/quillhour/copyright")));
    QVERIFY(copyright.open(QIODevice::ReadOnly));
    const QString copyrightText = QString::fromUtf8(copyright.readAll());
    QVERIFY(copyrightText.contains(QStringLiteral("License: GPL-3.0-or-later")));
    QVERIFY(copyrightText.contains(QStringLiteral("/usr/share/common-licenses/GPL-3")));
}

void InstallTest::desktopEntryAndMetadataValidate() {
    const QString desktop =
        installed(QStringLiteral("usr/share/applications/%1.desktop").arg(AppId));
    const Result entry = run(QStringLiteral("desktop-file-validate"), {desktop});
    QCOMPARE(entry.exitCode, 0);
    QVERIFY2(entry.output.trimmed().isEmpty(), qPrintable(entry.output)); // no warnings either

    const QString metainfo =
        installed(QStringLiteral("usr/share/metainfo/%1.metainfo.xml").arg(AppId));
    const Result validation =
        run(QStringLiteral("appstreamcli"), {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--explain"), metainfo});
    QVERIFY2(validation.exitCode == 0, qPrintable(validation.output));
    QVERIFY2(!validation.output.contains(
                 QRegularExpression(QStringLiteral("^[EW]:"), QRegularExpression::MultilineOption)),
             qPrintable(validation.output));

    // What the validator leaves alone: the newest release is this version, the launchable is the
    // installed menu entry, the licence is named, and every screenshot is a picture kept in the
    // repository (made by the screenshot programs) with the size the metadata states.
    QFile file(metainfo);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QString firstRelease;
    QString launchable;
    QString licence;
    int screenshots = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto name = xml.name();
        if (name == QLatin1String("release") && firstRelease.isEmpty()) {
            firstRelease = xml.attributes().value(QStringLiteral("version")).toString();
        } else if (name == QLatin1String("launchable")) {
            launchable = xml.readElementText();
        } else if (name == QLatin1String("project_license")) {
            licence = xml.readElementText();
        } else if (name == QLatin1String("image")) {
            const int width = xml.attributes().value(QStringLiteral("width")).toInt();
            const int height = xml.attributes().value(QStringLiteral("height")).toInt();
            const QString url = xml.readElementText();
            QVERIFY2(url.startsWith(QStringLiteral("https://")), qPrintable(url));
            const QString picture = QStringLiteral(SOURCE_DIR "/resources/screenshots/") +
                                    url.section(QLatin1Char('/'), -1);
            QImageReader reader(picture);
            QCOMPARE(reader.format(), QByteArray("png"));
            QCOMPARE(reader.size(), QSize(width, height));
            ++screenshots;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(firstRelease, QStringLiteral(QUILLHOUR_VERSION));
    QCOMPARE(launchable, AppId + QStringLiteral(".desktop"));
    QCOMPARE(licence, QStringLiteral("GPL-3.0-or-later"));
    QVERIFY(screenshots >= 2);
}

void InstallTest::manualPageNamesEveryOptionAndSetting() {
    const QString page = installed(QStringLiteral("usr/share/man/man1/quillhour.1.gz"));
    const Result text = run(QStringLiteral("gzip"), {QStringLiteral("-dc"), page});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(text.output.startsWith(QStringLiteral(".TH QUILLHOUR 1 ")) &&
                 text.output.section(QLatin1Char('\n'), 0, 0)
                     .contains(QStringLiteral("\"Quillhour " QUILLHOUR_VERSION "\"")),
             qPrintable(text.output.section(QLatin1Char('\n'), 0, 0)));

    // Every option the program offers, as --help lists them.
    const Result help =
        run(installed(QStringLiteral("usr/bin/quillhour")), {QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    // Each line of the option list: "  -v, --version   Show ..." or "  --database <location> ...".
    QStringList options;
    const QRegularExpression option(QStringLiteral("^\\s+(?:(-\\w), )?(--[a-z][a-z-]*)"),
                                    QRegularExpression::MultilineOption);
    for (auto match = option.globalMatch(help.output); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        options.append(found.captured(2));
        if (found.hasCaptured(1)) {
            options.append(found.captured(1));
        }
    }
    QVERIFY2(options.contains(QStringLiteral("--database")), qPrintable(help.output));
    QVERIFY2(options.contains(QStringLiteral("-v")), qPrintable(help.output));
    for (const QString& each : options) {
        // In the page's source every hyphen of an option is written \-.
        const QString written = QString(each).replace(QLatin1Char('-'), QStringLiteral("\\-"));
        QVERIFY2(text.output.contains(written),
                 qPrintable(each + QStringLiteral(" is not in the manual page")));
    }
    for (const char* key : {"Database", "Idle Minutes", "Prompt Frequency", "Tray Icon", "User"}) {
        QVERIFY2(text.output.contains(QStringLiteral("\n.B %1\n").arg(QLatin1String(key))), key);
    }
    for (const char* section : {"OPTIONS", "SETTINGS", "FILES", "ENVIRONMENT", "EXIT STATUS"}) {
        QVERIFY2(text.output.contains(QStringLiteral("\n.SH %1\n").arg(QLatin1String(section))),
                 section);
    }

    // groff finds nothing to complain about.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const Result checked =
        run(QStringLiteral("man"),
            {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
             QStringLiteral("-l"), QStringLiteral("-Tutf8"), QStringLiteral("-Z"), page},
            environment);
    QCOMPARE(checked.exitCode, 0);
    const QStringList complaints = checked.output.split(QLatin1Char('\n'))
                                       .filter(QRegularExpression(QStringLiteral(
                                           "^(troff|groff|man|preconv|tbl|grotty|mandoc):")));
    QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(QLatin1Char('\n'))));
}

void InstallTest::debianPackageRunsAndPassesLintian() {
    QTemporaryDir work;
    const Result pack =
        run(QStringLiteral(CPACK_COMMAND),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             QStringLiteral(BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), work.path()},
            QProcessEnvironment::systemEnvironment(), 300000);
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
    const QStringList debs = QDir(work.path()).entryList({QStringLiteral("quillhour_*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = QDir(work.path()).filePath(debs.first());
    QVERIFY2(debs.first().startsWith(QStringLiteral("quillhour_" QUILLHOUR_VERSION "_")),
             qPrintable(debs.first()));

    // Its dependencies were read from the program (dpkg-shlibdeps), plus the plugins.
    const Result depends = run(QStringLiteral("dpkg-deb"),
                               {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
    QCOMPARE(depends.exitCode, 0);
    for (const char* package : {"libqt6core6 (>=", "libqt6widgets6", "libqt6sql6 (",
                                "libc6 (>=", "libxcb1", "libqt6sql6-sqlite", "libqt6svg6"}) {
        QVERIFY2(depends.output.contains(QLatin1String(package)), qPrintable(depends.output));
    }

    // Unpacked, it holds what an installation holds, and its program runs as it is, on the
    // system's Qt.
    const QString unpacked = work.filePath(QStringLiteral("root"));
    const Result extract = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, unpacked});
    QVERIFY2(extract.exitCode == 0, qPrintable(extract.output));
    QCOMPARE(filesUnder(unpacked), InstalledFiles);
    QProcessEnvironment clean = QProcessEnvironment::systemEnvironment();
    clean.remove(QStringLiteral("LD_LIBRARY_PATH"));
    const Result version = run(QDir(unpacked).filePath(QStringLiteral("usr/bin/quillhour")),
                               {QStringLiteral("--version")}, clean);
    QCOMPARE(version.exitCode, 0);
    QVERIFY2(version.output.startsWith(QStringLiteral("Quillhour " QUILLHOUR_VERSION "\n")),
             qPrintable(version.output));

    // lintian: no errors (it exits 1 on any), and none of the warnings fixed so far come back.
    const Result lint =
        run(QStringLiteral("lintian"), {QStringLiteral("--no-tag-display-limit"), deb},
            QProcessEnvironment::systemEnvironment(), 300000);
    QVERIFY2(lint.exitCode == 0, qPrintable(lint.output));
    const QStringList findings =
        lint.output.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^[EW]: ")));
    QVERIFY2(findings.isEmpty(), qPrintable(findings.join(QLatin1Char('\n'))));
}

QTEST_MAIN(InstallTest)
#include "tst_install.moc"
