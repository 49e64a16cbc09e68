#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Dates and times as other trackers write them, read into local time to the second.
namespace ImportMoments {

// A day and a time of day from two columns, or a whole moment from either one alone: ISO 8601
// (with a zone or an offset, turned into local time, or without, taken as local), or a date
// (2026-12-07, 12/07/2026, 07.12.2026) and a time (14:05, 14:05:30, 2:05 PM) with a blank
// between. Invalid when it is none of these.
QDateTime moment(const QString& day, const QString& time);
// A duration written as hours and minutes (1:30, 01:30:00); seconds go to the nearest minute.
std::optional<qint64> clockMinutes(const QString& text);

} // namespace ImportMoments
