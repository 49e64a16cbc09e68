#pragma once

#include <QString>
#include <QStringList>

class Database;

// What the server keeps by itself in signed-in mode, beyond who may write what (SignedIn.h):
//
// - the trail of changed and deleted time rows (tallyRecChange), written by triggers on tallyRec
//   in the name of whoever made the change, with the notification "Time changed" to the person
//   whose time it was when that was someone else. The program writes neither itself on such a
//   server, so every client leaves the same trail, and nobody can leave it out or invent it;
// - the category tree: no category is placed under itself or one of its own sub-categories;
// - renaming a person, whose name is their login: both change together, through
//   quillhour_rename_login, which a team administrator runs (as the owner, who may rename roles).
//
// Who administers the team (SignedIn::administrators, SignedIn::whomToAsk) is read here too.
namespace SignedIn {

// The statements that make them, again when they are there already. path is the schema's search
// path, team the team's role.
QStringList serverKeptStatements(const QString& path, const QString& team);

// Whether the server writes the trail of time rows itself.
bool keepsTrail(Database& database);

// Renames a person's login and their Quillhour user together. Run by a team administrator.
void renameLogin(Database& database, const QString& from, const QString& to);

} // namespace SignedIn
