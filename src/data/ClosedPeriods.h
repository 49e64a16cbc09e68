#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class Database;

// Time closed to changes, usually once it has been invoiced: up to and including a day, on one
// category (and its sub-categories) or on all of them. A time row that starts in a closed
// period is not added, changed, moved or deleted, by this program (which says which period and
// who closed it) nor by any other (the database's own trigger refuses it). A manager closes the
// time of the categories they manage; closing all of it, and reopening, are an administrator's,
// which on a signed-in server the server itself holds everyone to. A reopened period stays in
// the table with who reopened it and when.
namespace ClosedPeriods {

struct Period {
    int id = 0;
    int categoryId = 0; // 0: all categories
    QString category;   // its name; empty for all
    QDate through;
    int closedByUserId = 0;
    QString closedBy;
    QDateTime closedAt;
};

// The closed period (not reopened) that covers time of categoryId starting on day, the one
// closed furthest when several do, or nothing.
std::optional<Period> covering(Database& database, int categoryId, const QDate& day);
// Why time of categoryId that starts at start cannot be written, or nothing when it can.
std::optional<QString> refusal(Database& database, int categoryId, const QDateTime& start);
// The sentence for a closed period that covers time: it names the period and who closed it.
QString sentence(const Period& period);
// The sentence for a rate from a day in a closed period.
QString rateRefusal(const Period& period, const QDate& from);

// Every period still closed, latest first.
std::vector<Period> closed(Database& database);

// Closes time up to and including through, on categoryId (0: all). Refused in words: a day
// that is not in the past, a category that is not there, time still running in the period, or
// (on a file, where the program checks it) a category the person does not manage.
std::optional<QString> close(Database& database, int categoryId, const QDate& through, int byUserId,
                             const QDateTime& now);
// Reopens the period closed through that day on categoryId (0: all); false when none was.
bool reopen(Database& database, int categoryId, const QDate& through, int byUserId,
            const QDateTime& now);

} // namespace ClosedPeriods
