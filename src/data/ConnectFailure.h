#pragma once

#include <QString>

// What a person reads when the server does not let Quillhour connect, in place of the server's
// own words where those say nothing a person can act on.
namespace ConnectFailure {

// The message for the server's refusal (its text and SQLSTATE) to connect to location. A login
// the server does not let into the database (on a signed-in team server: a person not on the
// team) is told whom to ask, and with which command, instead of "no CONNECT privilege": the
// team's administrators, read through the server's maintenance database ("postgres"), which a
// login may usually reach.
QString text(const QString& serverText, const QString& code, const QString& location);

} // namespace ConnectFailure
