#include "session/ChangeWatch.h"

ChangeWatch::Reload ChangeWatch::next(const ChangeCounts& counts, int currentUserId,
                                      int userListLoads) {
    Reload reload;
    if (!counts.known() || !m_seen || m_seen->currentUserId != currentUserId ||
        m_seen->userListLoads != userListLoads) {
        reload = {true, true, true, true};
    } else {
        const ChangeCounts& seen = m_seen->counts;
        reload.users = counts.users != seen.users;
        reload.processes = reload.users || counts.processes != seen.processes;
        reload.notifications = reload.users || counts.notifications != seen.notifications;
        reload.times = reload.users || counts.times != seen.times;
    }
    m_seen = Seen{counts, currentUserId, userListLoads};
    return reload;
}
