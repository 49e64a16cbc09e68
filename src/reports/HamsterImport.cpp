#include "reports/HamsterImport.h"

#include "data/TimeText.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// Reads the facts into time; says why the file cannot be read otherwise.
QString readFacts(QSqlDatabase& hamster, ImportedTime& time) {
    QSqlQuery facts(hamster);
    facts.setForwardOnly(true);
    if (!facts.exec(QStringLiteral(
            "select facts.id, facts.start_time, facts.end_time, activities.name, categories.name "
            "from facts left join activities on activities.id = facts.activity_id "
            "left join categories on categories.id = activities.category_id order by facts.id"))) {
        return facts.lastError().text();
    }
    while (facts.next()) {
        ++time.read;
        ImportedTime::Row row;
        row.line = facts.value(0).toInt();
        if (facts.value(2).isNull()) {
            time.refuse(row.line,
                        QCoreApplication::translate("HamsterImport", "the fact is still running"));
            continue;
        }
        row.start = TimeText::fromStorage(facts.value(1));
        row.end = TimeText::fromStorage(facts.value(2));
        for (const int column : {4, 3}) {
            if (const QString name = facts.value(column).toString().trimmed(); !name.isEmpty()) {
                row.category.append(name);
            }
        }
        if (!row.start.isValid() || !row.end.isValid()) {
            time.refuse(row.line, QCoreApplication::translate(
                                      "HamsterImport", "the start or the end is not a moment"));
            continue;
        }
        time.rows.push_back(std::move(row));
    }
    return {};
}

} // namespace

ImportedTime HamsterImport::read(const QString& path) {
    ImportedTime time;
    if (!QFileInfo(path).isFile()) {
        time.unreadable = QCoreApplication::translate("HamsterImport", "there is no such file");
        return time;
    }
    const QString connection = QStringLiteral("hamster-") + QUuid::createUuid().toString();
    {
        QSqlDatabase hamster = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        hamster.setDatabaseName(path);
        hamster.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        const QString problem =
            hamster.open() ? readFacts(hamster, time) : hamster.lastError().text();
        if (!problem.isEmpty()) {
            time = ImportedTime{};
            time.unreadable =
                QCoreApplication::translate("HamsterImport", "not a Hamster database: %1")
                    .arg(problem);
        }
        hamster.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return time;
}
