#pragma once

#include <QString>
#include <optional>

// When a running task reminds its user that it is still running. With a frequency of 10 a task
// reminds at 10, 20, 30, ... minutes: each reminder raises its count, and the next one is due
// at a multiple of the frequency times the count plus one.
namespace ReminderRule {

// The reminder frequency in minutes as typed: a whole number of at least 1, or nothing (then
// no task reminds, and the timer runs on as before).
std::optional<int> frequency(const QString& text);

// Whether a task that has run for duration minutes and has been reminded reminderCount times is
// due for a reminder now. Only the current user's tasks that want reminders ever are.
bool isDue(qint64 duration, int reminderCount, bool prompt, bool currentUsersTask,
           std::optional<int> frequency);

// The reminder count of a task found running after minutes: the reminder periods it has passed.
int countAfter(qint64 minutes, std::optional<int> frequency);

} // namespace ReminderRule
