#include "tracking/ReminderRule.h"

#include "data/Numbers.h"

namespace ReminderRule {

std::optional<int> frequency(const QString& text) {
    return Numbers::toWholeNumber(text, 1);
}

bool isDue(qint64 duration, int reminderCount, bool prompt, bool currentUsersTask,
           std::optional<int> frequency) {
    if (!frequency || !prompt || !currentUsersTask || duration < 1 || reminderCount < 0) {
        return false;
    }
    const qint64 period = qint64(*frequency) * (qint64(reminderCount) + 1);
    return duration % period == 0;
}

int countAfter(qint64 minutes, std::optional<int> frequency) {
    if (!frequency || minutes < 1) {
        return 0;
    }
    return int(minutes / *frequency);
}

} // namespace ReminderRule
