#pragma once

#include "reports/ImportedTime.h"

#include <QString>

// Time from Hamster's SQLite database, opened read-only: each fact is a stretch of time on the
// category path "category/activity" (the activity alone when it has no category); a fact still
// running is refused. Facts are numbered by their id in place of lines.
class HamsterImport {
public:
    static ImportedTime read(const QString& path);
};
