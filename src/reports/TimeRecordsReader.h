#pragma once

#include "data/TextHash.h"
#include "reports/TimeRecordsModel.h"

#include <QString>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class Database;
class StreamedRow;

// Turns stored date-times into wall-clock seconds and user names into places in the list of
// names. The storage form is read at fixed positions without making a QDateTime, which would
// look up the time zone for every value; only on the few days whose clocks change (or for a
// form other than the usual one) is the value read as TimeText::fromStorage reads it, so both
// readings agree on every value. Text the engine hands over as UTF-8 is read as it is: a name
// becomes a QString only the first time it is met.
class TimeRecordsReader {
public:
    TimeRecordsReader(TimeRecordRows& rows, const Database& database);

    // The category's finished rows, whoever recorded them, and with oneRow only the row of a
    // time id. Only the columns the grid shows are read: with tens of thousands of rows every
    // column costs. They are put in id order once read, so both engines list them alike (see
    // TimeRecordRows::read). The server hands the times over as text in the storage form: made
    // into QDateTimes by its driver they would each cost a look-up of the time zone, twice.
    static QString statement(const Database& database, bool oneRow);

    qint64 wallSeconds(const StreamedRow& row, int column);
    quint32 userIndex(const StreamedRow& row, int column);

private:
    quint32 userIndex(const QString& user);
    // Whether every wall-clock time of the day exists once: its midnight exists and the clocks
    // have the same offset from UTC at its midnight and the next.
    bool plainDay(qint64 julianDay);
    std::optional<int> offsetAtMidnight(qint64 julianDay);

    TimeRecordRows& m_rows;
    bool m_serverTimes;
    std::unordered_map<qint64, std::optional<int>> m_offsets;
    std::unordered_map<QString, quint32, TextHash> m_byName;
    std::deque<std::string> m_keys; // stays where it is as more are added
    std::unordered_map<std::string_view, quint32> m_byBytes;
};
