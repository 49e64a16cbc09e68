#pragma once

// What TimeReport's own files share; no other file includes this.

#include "reports/TimeReport.h"

#include <QVariantList>
#include <map>

struct TimeReport::Conditions {
    QString with;       // the sub-categories of the chosen category, when one is chosen
    QString where;      // the range and the user
    QString inCategory; // the chosen category's rows, when one is chosen
    QVariantList withParams;
    QVariantList whereParams;
    QVariantList params() const { return withParams + whereParams; }
};

// Keyed by category or user id, or by the Julian day number of the day or of the week's first
// day.
struct TimeReport::Sum {
    qint64 rows = 0;
    qint64 minutes = 0;
    qint64 billableMinutes = 0;
    qint64 amountCents = 0;
    // Rounded per line: the minutes at each rate in cents, each part rounded once.
    std::map<qint64, qint64> minutesAtRate;
};

struct TimeReport::Grouping {
    ReportGrouping by;
    Qt::DayOfWeek weekStart;
    bool byCategory() const { return by == ReportGrouping::Category; }
    bool byUser() const { return by == ReportGrouping::User; }
    // The key of a line from the value the statement grouped by: an id, or a day as text.
    qint64 keyOf(const QVariant& value) const;
};
