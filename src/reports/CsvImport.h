#pragma once

#include "reports/ImportedTime.h"

#include <QByteArray>

// Time from a CSV file whose first line names its columns: a start (a date and a time, in one
// column or two), an end or a duration, a category (or a client, project and task making its
// path) and optionally a user. Toggl, Clockify and Kimai exports are read with their own column
// names, and Quillhour's own timesheet too. Moments with a zone or offset are turned into
// local time; those without are taken as local.
class CsvImport {
public:
    static ImportedTime read(const QByteArray& data);

    // The records of a CSV text, each with the line it starts on (quoted fields may hold
    // separators, quotes written twice and line breaks).
    struct Record {
        int line = 0;
        QStringList fields;
    };
    static std::vector<Record> records(const QString& text, QChar separator);
};
