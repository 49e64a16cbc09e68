#include "reports/TimesheetRange.h"

#include "reports/TimeReport.h"

TimesheetRange TimesheetRange::of(Period period, const QDate& today, Qt::DayOfWeek weekStart) {
    const QDate weekFirst = TimeReport::weekOf(today, weekStart);
    const QDate monthFirst(today.year(), today.month(), 1);
    switch (period) {
    case Period::ThisWeek:
        return {weekFirst, weekFirst.addDays(6)};
    case Period::LastWeek:
        return {weekFirst.addDays(-7), weekFirst.addDays(-1)};
    case Period::ThisMonth:
        return {monthFirst, monthFirst.addMonths(1).addDays(-1)};
    case Period::LastMonth:
        return {monthFirst.addMonths(-1), monthFirst.addDays(-1)};
    case Period::ThisYear:
        return {QDate(today.year(), 1, 1), QDate(today.year(), 12, 31)};
    case Period::Custom:
        break;
    }
    return {};
}
