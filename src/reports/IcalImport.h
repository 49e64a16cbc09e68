#pragma once

#include "reports/ImportedTime.h"

#include <QByteArray>

// Time from an iCalendar file as KTimeTracker keeps it: each to-do is a category (a to-do
// related to another is its sub-category), each event a stretch of time on the to-do it is
// related to, or on the category its summary names. Moments in UTC or with a TZID are turned
// into local time; floating ones are taken as local.
class IcalImport {
public:
    static ImportedTime read(const QByteArray& data);
};
