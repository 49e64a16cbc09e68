// Inserts time rows into a database as fast as it can and prints the id the engine returned for
// each, one per line. The concurrency test runs several of these at once on one file.
#include "data/Database.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        QTextStream(stderr) << "usage: insert_worker DATABASE WORKER COUNT\n";
        return 2;
    }
    const int worker = args[2].toInt();
    const int count = args[3].toInt();
    QTextStream out(stdout);
    try {
        auto db = Database::open(args[1]);
        for (int i = 0; i < count; ++i) {
            const qint64 id = db->insert(
                QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, "
                               "userId) values (?, ?, ?, ?, ?)"),
                {QDateTime::currentDateTime(), QDateTime::currentDateTime(), i, 1, worker},
                QStringLiteral("timeId"));
            out << id << ' ' << i << '\n';
        }
    } catch (const DatabaseError& error) {
        QTextStream(stderr) << error.what() << '\n';
        return 1;
    }
    return 0;
}
