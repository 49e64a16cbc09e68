#pragma once

#include "tracking/TrackingCommand.h"

#include <QString>
#include <memory>
#include <optional>

class Database;
class PasswordStore;
class Settings;

// The database a command writes and the person it writes for: --database or the settings' one,
// and on a server in signed-in mode the login, else the user asked for or the settings' user.
struct PersonDatabase {
    std::unique_ptr<Database> database;
    int userId = 0;
    QString userName;

    // Nothing when it cannot be opened or the person is not a user; refusal says why, with the
    // exit status (1 when the database refused, 2 for a wrong name).
    static std::optional<PersonDatabase> open(const QString& database, const QString& user,
                                              Settings& settings, PasswordStore& passwords,
                                              TrackingOutcome& refusal);
};
