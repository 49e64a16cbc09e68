#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

// Time read from another tracker's file, before it is stored: what each row says, in local
// time, and the rows that could not be read, by line.
struct ImportedTime {
    struct Row {
        int line = 0;
        QDateTime start;
        QDateTime end;
        QStringList category; // the path from the top
        QString user;         // empty when the file names nobody
    };
    struct Refusal {
        int line = 0;
        QString reason;
    };

    std::vector<Row> rows;
    std::vector<Refusal> refused;
    int read = 0;
    // Why the file as a whole cannot be read (not the format named); empty when it can.
    QString unreadable;

    void refuse(int line, const QString& reason) { refused.push_back({line, reason}); }
};
