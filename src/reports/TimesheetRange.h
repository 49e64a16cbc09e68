#pragma once

#include <QDate>

// The ranges a timesheet offers, as whole days: both ends included.
struct TimesheetRange {
    enum class Period { ThisWeek, LastWeek, ThisMonth, LastMonth, ThisYear, Custom };

    QDate from;
    QDate to;

    // The days of a period around today, weeks starting on weekStart (the locale's first day of
    // the week on the page, Monday on the command line). Custom has no days of its own: it
    // gives an invalid range.
    static TimesheetRange of(Period period, const QDate& today, Qt::DayOfWeek weekStart);
};
