#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>

class Database;

// Signed-in mode of a database on a PostgreSQL server: each person connects with their own server
// login, works as the Quillhour user of the same name, and the server itself holds everyone to
// the team's rules.
//
// What the mode makes, in the database's own schema:
// - two group roles named after the database: "<database>_team", whose members may connect,
//   read everything and write within the rules, and "<database>_admin", the team's
//   administrators (members of the team as well);
// - row-level security on the five tables the program writes, with a policy per kind of
//   statement, and a guard trigger on each of them that refuses, with a sentence, what the rules
//   do not allow. Row-level security alone skips forbidden rows of an update or a delete without
//   a word; the guard makes the refusal an error (SQLSTATE 42501) that names the person and the
//   category;
// - the rules as functions, the one place each is written: who the session's Quillhour user is
//   (quillhour_me), whether the session is a team administrator (quillhour_is_admin), and who may
//   change a time row (quillhour_may_change_time);
// - the change counters' trigger function runs as the tables' owner, so that counting a write
//   needs no right to write the counters.
//
// The rules: a person inserts, changes and deletes only their own time rows and window rows, and
// sets only their own presence (their "user" row, without its name); the manager of a category
// changes and deletes the time rows on it, and an administrator those of a category they delete;
// a notification is sent by anyone in their own name to anyone, and only its addressee marks or
// deletes it; anyone adds a category, and a category is changed or deleted by its manager or an
// administrator; users are added, renamed and deleted by administrators. Reading is open to the
// team. The tables' owner and the server's superusers are not held by the rules (row-level
// security does not apply to them), which is how the owner administers the database.
//
// The mode is on exactly when row-level security is on for tallyRec: the same switch that makes
// the server enforce the rules records that they are enforced, and no schema version changes.
namespace SignedIn {

// The login the session connected with, when the database is in signed-in mode; nothing on
// SQLite or when the mode is off.
std::optional<QString> login(Database& database);
bool isOn(Database& database);

// The group roles of the database the session is connected to.
QString teamRole(Database& database);
QString adminRole(Database& database);

// Switches signed-in mode on, or makes its rules again when it is on already (after an upgrade
// added a table). Run by the tables' owner, who needs the right to make roles; the owner becomes
// an administrator. One transaction: on failure nothing has changed.
void require(Database& database);

// Throws, saying how to switch it on, unless the database is in signed-in mode.
void requireOn(Database& database);

// What addLogin did.
struct AddedLogin {
    bool madeLogin = false; // false: the login was there already, and keeps its password
    QString password;       // the new login's password, when one was made
    bool madeUser = false;  // false: the Quillhour user of that name was there already
};

// Makes a server login for a person, lets it into the team, and makes the Quillhour user of the
// same name (whichever of them is missing; the user is made at now). Run by a team
// administrator: letting a login into the team is theirs, making a new login needs the right
// to make roles as well. A name over 63 bytes (the server's limit) is refused before anything
// is made.
AddedLogin addLogin(Database& database, const QString& name, const QDateTime& now);

// Who a person without a Quillhour user should ask: the administrators who can log in, or the
// owner of the database when there are none.
QStringList administrators(Database& database);
// The same for a database by its name, read through any connection to its server (the roles
// and the databases are the server's): read runs a statement and gives its first column.
using FirstColumn = std::function<QStringList(const QString& sql, const QVariantList& params)>;
QStringList whomToAsk(const FirstColumn& read, const QString& databaseName);
inline const QString AdminSuffix = QStringLiteral("_admin");

} // namespace SignedIn
