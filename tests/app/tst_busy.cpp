#include "MainWindowFixture.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace std::chrono_literals;

// The main window while another program holds the database, and when its file goes away: the
// timers never wait, the screen stays alive and the user is told once in words; a person's own
// action waits a while, then says so and loses nothing; closing ends anyway.
class BusyTest : public QObject {
    Q_OBJECT

private slots:
    void timersKeepTheClockMovingAndTellOnce();
    void actionWaitsThenSaysSoAndLosesNothing();
    void closingWhileLockedSkipsWhatCannotBeWritten();
    void startMeetingALockEndsInWords();
    void lostFileIsToldOnceAndNothingMoreIsSaved_data();
    void lostFileIsToldOnceAndNothingMoreIsSaved();
    void damagedDatabaseIsNamedAtStart_data();
    void damagedDatabaseIsNamedAtStart();

private:
    static bool active(MainWindowFixture& f, int userId) {
        return f.database()
            .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
            .toBool();
    }
};

void BusyTest::timersKeepTheClockMovingAndTellOnce() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addOpenTime(design, ann, f.clock.now().addSecs(-90));
    QVERIFY(f.load());
    f.messages.clear();
    auto* clock = f.control<QLabel>(QStringLiteral("lblEndTime"));

    LockHolder lock(f.location());
    for (int second = 0; second < 10; ++second) {
        f.clock.advanceSeconds(1);
        f.systemTick();
        f.taskTick();
        // The running task's clock goes on with the time, lock or no lock.
        QCOMPARE(clock->text(), f.clock.now().toString(QStringLiteral("HH:mm:ss")));
    }
    QCOMPARE(f.messages.shown().size(), 0); // nothing yet, and never the bare engine message

    // Ten seconds busy: told in words in the window, without a box to answer (that would stop
    // the timers).
    auto* notice = f.control<QLabel>(QStringLiteral("lblDatabaseNotice"));
    auto* bar = f.control<QWidget>(QStringLiteral("fraDatabase"));
    QVERIFY(bar->isHidden());
    f.clock.advanceSeconds(1);
    f.systemTick();
    QVERIFY(!bar->isHidden());
    QVERIFY2(notice->text().startsWith(QStringLiteral("Another program is holding the database")),
             qPrintable(notice->text()));
    QVERIFY(notice->text().contains(QStringLiteral("Quillhour keeps trying")));
    for (int second = 0; second < 20; ++second) {
        f.clock.advanceSeconds(1);
        f.systemTick();
        f.taskTick();
    }
    QCOMPARE(f.messages.shown().size(), 0);
    QCOMPARE(clock->text(), f.clock.now().toString(QStringLiteral("HH:mm:ss")));

    // Free again: the next tick does the work it could not do, and the line goes.
    lock.release();
    f.systemTick();
    QVERIFY(active(f, ann));
    QVERIFY(bar->isHidden());
    // A later spell is worth telling again.
    LockHolder again(f.location());
    f.systemTick();
    QVERIFY(bar->isHidden());
    f.clock.advanceSeconds(10);
    f.systemTick();
    QVERIFY(notice->text().contains(QStringLiteral("Quillhour keeps trying")));
    QCOMPARE(f.messages.shown().size(), 0);
}

void BusyTest::actionWaitsThenSaysSoAndLosesNothing() {
    MainWindowFixture f;
    f.actionWait = 300ms;
    const int ann = f.addUser(QStringLiteral("Ann"), false, QStringLiteral("ann@example.org"));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::UsersTab);
    f.messages.clear();
    auto* email = f.control<QLineEdit>(QStringLiteral("txtEmail"));
    email->setText(QStringLiteral("ann@example.com"));

    // While it waits, the pointer says so.
    QList<bool> busyCursor;
    const auto showWait = f.state().database->waitObserver();
    f.state().database->setWaitObserver([&](bool waiting) {
        showWait(waiting);
        const QCursor* cursor = QGuiApplication::overrideCursor();
        busyCursor.append(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
    });

    // While it waits the window goes on: what it shows meanwhile, seen from the event loop.
    auto* bar = f.control<QWidget>(QStringLiteral("fraDatabase"));
    auto* notice = f.control<QLabel>(QStringLiteral("lblDatabaseNotice"));
    auto* cancel = f.control<QPushButton>(QStringLiteral("cmdCancelWait"));
    QStringList seen;
    auto look = [&] {
        seen << QStringLiteral("%1|%2|%3|%4")
                    .arg(bar->isHidden() ? QStringLiteral("hidden") : QStringLiteral("shown"),
                         notice->text(), cancel->isHidden() ? QStringLiteral("-") : cancel->text(),
                         f.window().tabs->isEnabled() ? QStringLiteral("open")
                                                      : QStringLiteral("closed"));
    };
    LockHolder lock(f.location());
    QTimer::singleShot(100ms, look);
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(seen, QStringList{QStringLiteral("shown|Waiting for the database...|Cancel|closed")});
    QVERIFY(bar->isHidden());
    QVERIFY(f.window().tabs->isEnabled());
    QCOMPARE(busyCursor, (QList<bool>{true, false}));
    QCOMPARE(f.messages.shown().size(), 1);
    QCOMPARE(f.messages.last().icon, Messages::Icon::Critical);
    QVERIFY2(f.messages.last().text.startsWith(
                 QStringLiteral("Another program is holding the database")),
             qPrintable(f.messages.last().text));
    QVERIFY(f.messages.last().text.contains(QStringLiteral("Nothing is lost")));
    // What was typed is still there to save; the row is as it was.
    QCOMPARE(email->text(), QStringLiteral("ann@example.com"));
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select email from \"user\" where userId = ?"), {ann})
                 .toString(),
             QStringLiteral("ann@example.org"));

    // Cancel ends the wait there and then, with the same words; the wait would last an hour.
    f.window().guard().setActionWait(std::chrono::hours(1));
    QTimer::singleShot(100ms, cancel, &QPushButton::click);
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.shown().size(), 2);
    QVERIFY(f.messages.last().text.contains(QStringLiteral("Nothing is lost")));

    lock.release();
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.shown().size(), 2);
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select email from \"user\" where userId = ?"), {ann})
                 .toString(),
             QStringLiteral("ann@example.com"));
}

void BusyTest::closingWhileLockedSkipsWhatCannotBeWritten() {
    MainWindowFixture f;
    f.actionWait = 300ms;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("Editor")});
    QVERIFY(f.load());
    f.messages.clear();
    LockHolder lock(f.location());
    // Each step that cannot write says so on standard error, and closing goes on.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("while closing, this step was skipped "
                                                           "\\(marking the user inactive\\)")));
    if (!TestEnvironment::usesPostgres()) {
        // On the server only the user's row is held; the window list is written.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "while closing, this step was skipped \\(removing "
                                               "the user's window list\\)")));
    }
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("while closing, this step was skipped "
                                                           "\\(marking the user inactive\\)")));
    f.window().close();
    QVERIFY(f.window().trace().contains(QStringLiteral("shutDown")));
    QCOMPARE(f.messages.shown().size(), 0); // no box at closing
    lock.release();
    QVERIFY(active(f, ann)); // it could not be written, and nothing pretended it was
}

void BusyTest::startMeetingALockEndsInWords() {
    MainWindowFixture f;
    f.actionWait = 300ms;
    f.addUser(QStringLiteral("Ann"));
    LockHolder lock(f.location());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not start")));
    QVERIFY(!f.load());
    QCOMPARE(f.messages.last().icon, Messages::Icon::Critical);
    QVERIFY2(
        f.messages.last().text.contains(QStringLiteral("Another program is holding the database")),
        qPrintable(f.messages.last().text));
    QVERIFY(f.messages.last().text.contains(QStringLiteral("Quillhour will close")));
    QVERIFY(!f.window().isVisible());
}

void BusyTest::lostFileIsToldOnceAndNothingMoreIsSaved_data() {
    QTest::addColumn<bool>("copiedOver");
    QTest::addColumn<QString>("said");
    QTest::newRow("deleted") << false << QStringLiteral("was deleted");
    QTest::newRow("copied over") << true << QStringLiteral("was replaced by another file");
}

void BusyTest::lostFileIsToldOnceAndNothingMoreIsSaved() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    QFETCH(bool, copiedOver);
    QFETCH(QString, said);
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    f.systemTick();
    f.messages.clear();
    QByteArray replacement;
    if (copiedOver) {
        // Another database copied over the one in use, in place, as cp does.
        const QString other = f.newLocation(QStringLiteral("other.db"));
        Database::create(other)->execute(
            QStringLiteral("insert into \"user\" (userName) values ('Zed')"));
        QFile source(other);
        QFile target(f.databasePath());
        QVERIFY(source.open(QIODevice::ReadOnly) &&
                target.open(QIODevice::WriteOnly | QIODevice::Truncate));
        replacement = source.readAll();
        QVERIFY(target.write(replacement) == replacement.size());
    } else {
        QVERIFY(QFile::remove(f.databasePath()));
    }
    f.systemTick();
    // Found by the timer: said in the window, with no box that would stop the timers.
    auto* notice = f.control<QLabel>(QStringLiteral("lblDatabaseNotice"));
    QVERIFY2(notice->text().contains(said), qPrintable(notice->text()));
    QVERIFY(notice->text().contains(QStringLiteral("nothing you do from now on is saved")));
    QVERIFY(!f.control<QWidget>(QStringLiteral("fraDatabase"))->isHidden());
    f.systemTick();
    f.taskTick();
    f.systemTick();
    QCOMPARE(f.messages.shown().size(), 0);
    // Start is refused with the same words: no task is shown as running that was not saved.
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCOMPARE(f.messages.shown().size(), 1);
    QVERIFY(f.messages.last().text.contains(said));
    QCOMPARE(f.state().activeTasks->Count(), 0);
    if (copiedOver) {
        f.window().close(); // closing writes nothing either, and says so on standard error
        QFile file(f.databasePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == replacement); // nothing of the old database went into it
    } else {
        QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("userId = ?"), {ann}), 0);
    }
}

void BusyTest::damagedDatabaseIsNamedAtStart_data() {
    QTest::addColumn<QString>("table");
    // The first table start-up reads, and one it reads after it knows who the user is.
    QTest::newRow("categories") << QStringLiteral("category");
    QTest::newRow("notifications") << QStringLiteral("notification");
}

void BusyTest::damagedDatabaseIsNamedAtStart() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    QFETCH(QString, table);
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addNotification(ann, ann, design, 1, QStringLiteral("Read at start"));
    // A table's first page overwritten: the lists skip what they cannot read, but the damage is
    // named and nothing is written, the user's presence neither.
    const int page =
        f.database()
            .scalar(QStringLiteral("select rootpage from sqlite_master where name = ?"), {table})
            .toInt();
    const int pageSize = f.database().scalar(QStringLiteral("PRAGMA page_size")).toInt();
    f.database().scalar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    {
        QFile file(f.databasePath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(qint64(page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\x5a'));
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("could not start")));
    QVERIFY(!f.load());
    QVERIFY2(f.messages.last().text.contains(QStringLiteral("is damaged")),
             qPrintable(f.messages.last().text));
    QCOMPARE(f.database().scalar(QStringLiteral("select active from \"user\"")).toInt(), 0);
}

QTEST_MAIN(BusyTest)
#include "tst_busy.moc"
