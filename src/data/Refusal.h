#pragma once

#include <QString>

// What a person reads when the server refuses a change under the team's rules (signed-in mode,
// SQLSTATE 42501): a plain sentence in their language, never the engine's words.
namespace Refusal {

// The server's message is the one its guard raised: a sentence, and in its detail the facts as
// JSON ({"refused": what, "user": name, "category": name}), which are said again here so that
// they can be translated. Any other refusal (a policy, a missing right) gets a general sentence.
QString sentence(const QString& serverMessage);

// What the program says itself of the same rules, before it asks the server: a person's name
// is their login on a signed-in server; no two users share a name.
QString nameIsLogin(const QString& userName);
QString sameName(const QString& userName);
// Time in a closed period (through: YYYY-MM-DD), closed by someone, on a category or all.
QString closedTime(const QString& closedBy, const QString& category, const QString& through);

} // namespace Refusal
