#pragma once

#include "data/ChangeCounts.h"

#include <optional>

// What a tick must read again, from the change counts just read and what the lists were last
// loaded for. The first look, counts that are unknown, another current user or the users' list
// loaded anew (it clears the tree the processes hang under, and the collections the notifications
// point into) reads everything; otherwise only what moved, and a change of the users reads the
// processes, the notifications and the time rows too, as they are shown under, from and with
// users.
class ChangeWatch {
public:
    struct Reload {
        bool users = false;
        bool processes = false;
        bool notifications = false;
        // The time rows shown (the Reports grid, the timesheet), where a page shows them.
        bool times = false;
    };

    Reload next(const ChangeCounts& counts, int currentUserId, int userListLoads);

private:
    struct Seen {
        ChangeCounts counts;
        int currentUserId = 0;
        int userListLoads = 0;
    };
    std::optional<Seen> m_seen;
};
