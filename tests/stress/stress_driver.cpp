// A headless Quillhour instance for the stress and crash tests: it opens the database through the
// program's own data layer and, cycle after cycle, sends what a running instance sends for its
// user: marks the user active, rewrites the user's window titles in one transaction, starts a
// task (an open time row), finishes it, and records a notification.
//
// Every write is acknowledged in the log file only after the engine has returned from it (for a
// transaction, from its COMMIT), one line per write, written straight to the file so that a
// SIGKILL loses no acknowledged line:
//   recovered TIMEID        an open row of this user found at start
//   finish TIMEID           the row's end time and duration are written
//   active CYCLE            the user is marked active
//   processes CYCLE         the user's window rows are those of this cycle
//   start TIMEID CYCLE      an open row was inserted (its categoryId is CYCLE)
//   note CYCLE              a notification with the message "stress USER CYCLE" was inserted
//   cycle CYCLE MICROSECONDS
//   error STEP KIND CODE MESSAGE
// A cycle's number is LIFE * 1000000 + its count, unique across restarts of the same user.
#include "data/Database.h"
#include "data/TimeText.h"
#include "data/notification.h"
#include "data/task.h"
#include "data/user.h"
#include "platform/Clock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <fcntl.h>
#include <unistd.h>

namespace {

class AckLog {
public:
    explicit AckLog(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644)) {}
    ~AckLog() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QString& line) {
        const QByteArray bytes = line.toUtf8() + '\n';
        // One write per line: the line is whole in the file or not there at all.
        if (::write(m_fd, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
            ::_exit(3);
        }
    }

private:
    int m_fd;
};

QString kindName(DatabaseError::Kind kind) {
    switch (kind) {
    case DatabaseError::Kind::Statement:
        return QStringLiteral("Statement");
    case DatabaseError::Kind::Missing:
        return QStringLiteral("Missing");
    case DatabaseError::Kind::NotADatabase:
        return QStringLiteral("NotADatabase");
    case DatabaseError::Kind::NotQuillhour:
        return QStringLiteral("NotQuillhour");
    case DatabaseError::Kind::ReadOnly:
        return QStringLiteral("ReadOnly");
    case DatabaseError::Kind::AlreadyExists:
        return QStringLiteral("AlreadyExists");
    case DatabaseError::Kind::Connection:
        return QStringLiteral("Connection");
    case DatabaseError::Kind::Busy:
        return QStringLiteral("Busy");
    case DatabaseError::Kind::DiskFull:
        return QStringLiteral("DiskFull");
    case DatabaseError::Kind::Damaged:
        return QStringLiteral("Damaged");
    case DatabaseError::Kind::Lost:
        return QStringLiteral("Lost");
    case DatabaseError::Kind::NoAccess:
        return QStringLiteral("NoAccess");
    case DatabaseError::Kind::Refused:
        return QStringLiteral("Refused");
    }
    return QStringLiteral("Unknown");
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("Database location."),
                                            QStringLiteral("location"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("The user's id."),
                                        QStringLiteral("id"));
    const QCommandLineOption cyclesOption(QStringLiteral("cycles"),
                                          QStringLiteral("Cycles to run."), QStringLiteral("n"));
    const QCommandLineOption windowsOption(QStringLiteral("windows"),
                                           QStringLiteral("Window titles per cycle."),
                                           QStringLiteral("n"), QStringLiteral("6"));
    const QCommandLineOption lifeOption(QStringLiteral("life"),
                                        QStringLiteral("Number of this start of the user."),
                                        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Acknowledgement file."), QStringLiteral("path"));
    parser.addOptions(
        {databaseOption, userOption, cyclesOption, windowsOption, lifeOption, logOption});
    parser.process(app);
    const int userId = parser.value(userOption).toInt();
    const int cycles = parser.value(cyclesOption).toInt();
    const int windows = parser.value(windowsOption).toInt();
    const int life = parser.value(lifeOption).toInt();
    AckLog log(parser.value(logOption));
    if (userId <= 0 || cycles < 0 || windows < 0 || life < 0 || !log.isOpen()) {
        QTextStream(stderr) << "stress_driver: give --database, --user, --cycles and --log\n";
        return 2;
    }

    std::unique_ptr<Database> db;
    try {
        db = Database::open(parser.value(databaseOption));
    } catch (const DatabaseError& error) {
        QTextStream(stderr) << "stress_driver: " << error.what() << '\n';
        return 1;
    }
    SystemClock clock;
    DataContext context{*db, clock};
    user me(context);
    me.userId = userId;

    auto failed = [&](const char* step, const DatabaseError& error) {
        QString message = error.message();
        message.replace(QLatin1Char('\n'), QLatin1Char(' '));
        log.write(QStringLiteral("error %1 %2 %3 %4")
                      .arg(QLatin1String(step), kindName(error.kind()),
                           error.nativeCode().isEmpty() ? QStringLiteral("-") : error.nativeCode(),
                           message));
    };
    auto finishTask = [&](qint64 timeId, const QDateTime& start) {
        task running(context);
        running.taskId = int(timeId);
        running.startTime = start;
        running.duration = int(TimeText::minutesBetween(start, clock.now()));
        running.finish();
        log.write(QStringLiteral("finish %1").arg(timeId));
    };

    // What the program does at start: the rows this user left open come back as running tasks,
    // and are finished here as a person would finish them.
    try {
        const ResultSet open = db->query(
            QStringLiteral("select timeId, startTime from tallyRec where endTime is null and "
                           "userId = ? order by startTime"),
            {userId});
        for (const Row row : open) {
            log.write(QStringLiteral("recovered %1").arg(row.integer64(0)));
        }
        for (const Row row : open) {
            finishTask(row.integer64(0), row.dateTime(1));
        }
    } catch (const DatabaseError& error) {
        failed("recover", error);
    }

    for (int count = 0; count < cycles; ++count) {
        const qint64 cycle = qint64(life) * 1000000 + count;
        QElapsedTimer timer;
        timer.start();
        try {
            db->execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                        {true, userId});
            log.write(QStringLiteral("active %1").arg(cycle));
        } catch (const DatabaseError& error) {
            failed("active", error);
        }
        try {
            db->transaction([&] {
                db->execute(QStringLiteral("delete from process where userId = ?"), {userId});
                for (int window = 1; window <= windows; ++window) {
                    db->execute(
                        QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                        {userId, QStringLiteral("Window %1 of cycle %2").arg(window).arg(cycle)});
                }
            });
            log.write(QStringLiteral("processes %1").arg(cycle));
        } catch (const DatabaseError& error) {
            failed("processes", error);
        }
        try {
            const QDateTime start = clock.now();
            const qint64 timeId = db->insert(
                QStringLiteral(
                    "insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
                {start, int(cycle), userId}, QStringLiteral("timeId"));
            log.write(QStringLiteral("start %1 %2").arg(timeId).arg(cycle));
            finishTask(timeId, start);
        } catch (const DatabaseError& error) {
            failed("task", error);
        }
        try {
            notification note(context);
            note.fromUser = &me;
            note.toUser = &me;
            note.categoryId = int(cycle);
            note.typeId = 2;
            note.subject = QStringLiteral("Exceeding maximums");
            note.message = QStringLiteral("stress %1 %2").arg(userId).arg(cycle);
            note.save();
            log.write(QStringLiteral("note %1").arg(cycle));
        } catch (const DatabaseError& error) {
            failed("note", error);
        }
        log.write(QStringLiteral("cycle %1 %2").arg(cycle).arg(timer.nsecsElapsed() / 1000));
    }
    return 0;
}
