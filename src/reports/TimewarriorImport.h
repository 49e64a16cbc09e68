#pragma once

#include "reports/ImportedTime.h"

#include <QByteArray>
#include <QHash>

// Time from Timewarrior's export (a JSON array of intervals with a UTC start and end and their
// tags). The category of an interval is the path the map gives its first mapped tag, else its
// first tag; an interval without tags or still running is refused.
class TimewarriorImport {
public:
    // map: tag to category path, as read by readMap.
    static ImportedTime read(const QByteArray& data, const QHash<QString, QString>& map = {});
    // A map file: one "TAG = Parent/Child" a line; blank lines and lines starting with # are
    // left out. Why a line cannot be read goes to problem.
    static QHash<QString, QString> readMap(const QByteArray& data, QString& problem);
};
