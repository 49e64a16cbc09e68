#include "app/cli/PersonDatabase.h"

#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/ServerAddress.h"
#include "data/SignedIn.h"
#include "platform/Settings.h"
#include "reports/TimeReport.h"

#include <QCoreApplication>

std::optional<PersonDatabase> PersonDatabase::open(const QString& database, const QString& user,
                                                   Settings& settings, PasswordStore& passwords,
                                                   TrackingOutcome& refusal) {
    const QString where = ServerPasswords::connectable(
        database.isEmpty() ? settings.database() : database, passwords);
    refusal.status = TrackingOutcome::BadRequest;
    if (where.isEmpty()) {
        refusal.message = QCoreApplication::translate(
            "ReportCommand", "no database is chosen in the settings; name one with --database");
        return std::nullopt;
    }
    try {
        PersonDatabase opened;
        opened.database = Database::open(where);
        const std::optional<QString> login = SignedIn::login(*opened.database);
        opened.userName = login.value_or(user.isEmpty() ? settings.user() : user);
        if (login && !user.isEmpty() && user != *login) {
            refusal.message = QCoreApplication::translate(
                                  "PersonDatabase", "signed in as %1, you write only your own time")
                                  .arg(*login);
            return std::nullopt;
        }
        if (opened.userName.isEmpty()) {
            refusal.message =
                QCoreApplication::translate("ReportCommand", "no user is chosen in the settings");
            return std::nullopt;
        }
        opened.userId = TimeReport(*opened.database).userIdByName(opened.userName);
        if (opened.userId == 0) {
            refusal.message =
                QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                    .arg(opened.userName);
            return std::nullopt;
        }
        return opened;
    } catch (const DatabaseError& error) {
        refusal = {TrackingOutcome::Failed, error.message()};
        return std::nullopt;
    }
}
