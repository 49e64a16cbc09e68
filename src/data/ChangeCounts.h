#pragma once

#include <QtGlobal>

class Database;

// How often the users, the notifications, the processes and the time rows have changed, as
// counted in the database by its own triggers: every instance on every computer sees every
// writer's changes. A count that moved says its rows must be read again; one that did not says
// they are as last read.
struct ChangeCounts {
    qint64 users = -1;
    qint64 notifications = -1;
    qint64 processes = -1;
    qint64 times = -1;

    // One small statement (every database is brought up to the schema with the counts when it
    // is opened). Without its row (taken out by hand) the counts are unknown.
    static ChangeCounts read(Database& database);
    // Unknown counts say nothing: everything is read, every time.
    bool known() const { return users >= 0 && notifications >= 0 && processes >= 0 && times >= 0; }
};
