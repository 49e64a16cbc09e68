#pragma once

#include "reports/TimeReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

class Database;
class QIODevice;

// Writes a timesheet to a file as it is read, one row at a time, so that memory does not grow
// with the rows:
// - CSV (RFC 4180): UTF-8 (with a byte-order mark when asked, for spreadsheets that take text
//   without one for their own code page), a header row, lines ended by CR LF, fields quoted
//   where they must be. Entries: timeId,date,start,endDate,end,minutes,category,user,rate,amount,
//   billable,currency (the rate used, and whether the time is billed); categories:
//   category,path,minutes,hours,rate,amount,currency; users: user,minutes,hours,amount,currency;
//   days and weeks (a week by its first day): date,minutes,hours,amount,currency. The currency
//   is the team's ISO 4217 code, empty when the team has none.
// - JSON: {"from", "to", "group", "currency", "rows": [objects with the CSV's columns, numbers
//   as numbers], "total": {"rows", "minutes", "hours", "amount"}}.
// - iCalendar (RFC 5545), entries only: one VEVENT per time row, its UID made from the timeId
//   and the database's identity so that it stays the same in every export, start and end in UTC
//   as the wall clock read them, never ending before it starts.
class TimesheetExport {
public:
    enum class Format { Csv, Json, ICalendar };

    struct Header {
        QDate from;
        QDate to;
        ReportGrouping grouping = ReportGrouping::Entries;
        QString databaseIdentity; // see identityOf
        QDateTime now;            // the iCalendar's time stamp
        QString currency;         // the team's ISO 4217 code, or empty
        bool byteOrderMark = false;
    };

    // Starts the file (the header row, the opening of the JSON or the calendar).
    TimesheetExport(QIODevice& device, Format format, Header header);
    ~TimesheetExport();
    TimesheetExport(const TimesheetExport&) = delete;
    TimesheetExport& operator=(const TimesheetExport&) = delete;

    void entry(const ReportEntry& entry);
    void line(const ReportLine& line);
    // Ends the file and writes out what is still buffered. Throws std::runtime_error when the
    // device refuses to take what was written.
    void finish();

    // What the UIDs of a database's events are made from: a short digest of where the database
    // is (the file's absolute path, or the server, port and database name).
    static QString identityOf(const Database& database, const QString& location);
    // A text value as an iCalendar TEXT: backslash, semicolon, comma and line breaks escaped.
    static QString icalText(const QString& text);
    // A field for CSV, quoted when it holds a comma, a quote or a line break.
    static QString csvField(const QString& text);

private:
    void csvEntry(const ReportEntry& entry);
    void jsonEntry(const ReportEntry& entry);
    void icalEntry(const ReportEntry& entry);
    void write(const QString& text);
    void writeIcalLine(const QString& line);
    void flush();

    QIODevice& m_device;
    Format m_format;
    Header m_header;
    QByteArray m_buffer;
    // CSV fields of the names already written, by category and user id.
    QHash<int, QByteArray> m_categoryFields;
    QHash<int, QByteArray> m_userFields;
    QByteArray m_currencyField;
    ReportTotals m_totals;
    bool m_firstRow = true;
    bool m_finished = false;
};
