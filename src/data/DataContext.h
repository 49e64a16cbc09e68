#pragma once

class Clock;
class Database;

// What a record needs to read and write itself: the open database and the clock that stamps
// its dates.
struct DataContext {
    Database& database;
    const Clock& clock;
};
