#include "session/ProgramState.h"

#include "data/NodeKeys.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

user* ProgramState::userById(int userId) const {
    return allUsers ? allUsers->getUserById(userId) : nullptr;
}

category* ProgramState::categoryById(int categoryId) const {
    return allCategories ? allCategories->getCategoryById(categoryId) : nullptr;
}

task* ProgramState::taskById(int taskId) const {
    return activeTasks ? activeTasks->find(NodeKeys::key(NodeKeys::Task, taskId)) : nullptr;
}

ProgramState::CategoryPointers ProgramState::rememberCategoryPointers() const {
    CategoryPointers remembered;
    if (!allCategories) {
        return remembered;
    }
    // A handful of pointers to check against the members: one pass over the members, with no
    // set of them made.
    std::vector<const category*> pointers{selectedCategory};
    if (activeTasks) {
        for (const task& running : *activeTasks) {
            pointers.push_back(running.category);
        }
    }
    std::sort(pointers.begin(), pointers.end(), std::less<>());
    std::vector<const category*> members;
    for (const category& each : *allCategories) {
        if (std::binary_search(pointers.begin(), pointers.end(), &each, std::less<>())) {
            members.push_back(&each);
        }
    }
    std::sort(members.begin(), members.end(), std::less<>());
    const auto isMember = [&members](const category* pointer) {
        return std::binary_search(members.begin(), members.end(), pointer, std::less<>());
    };
    if (isMember(selectedCategory)) {
        remembered.selectedId = selectedCategory->categoryId;
    }
    if (activeTasks) {
        for (task& running : *activeTasks) {
            if (isMember(running.category)) {
                remembered.taskCategories[&running] = running.category->categoryId;
            }
        }
    }
    return remembered;
}

bool ProgramState::repointCategories(const CategoryPointers& remembered) {
    for (auto it = remembered.taskCategories.cbegin(); it != remembered.taskCategories.cend();
         ++it) {
        it.key()->category = categoryById(it.value());
    }
    if (remembered.selectedId < 1) {
        return false;
    }
    selectedCategory = categoryById(remembered.selectedId);
    return true;
}

user* ProgramState::userOrUnlisted(int userId) {
    if (user* listed = userById(userId); listed != nullptr) {
        return listed;
    }
    std::unique_ptr<user>& unlisted = unlistedUsers[userId];
    if (!unlisted) {
        unlisted = std::make_unique<user>(*context);
        unlisted->userId = userId;
    }
    return unlisted.get();
}

namespace {

// Points every user pointer of the state found in moved at its replacement.
void repointUserPointers(ProgramState& state, const QHash<const user*, user*>& moved) {
    if (moved.isEmpty()) {
        return;
    }
    auto repoint = [&moved](user*& pointer) {
        if (const auto found = moved.constFind(pointer); found != moved.constEnd()) {
            pointer = found.value();
        }
    };
    repoint(state.currentUser);
    if (state.activeTasks) {
        for (task& running : *state.activeTasks) {
            repoint(running.user);
        }
    }
    for (notifications* list : {state.userNotifications.get(), state.previousNotifications.get()}) {
        if (list != nullptr) {
            for (notification& each : *list) {
                repoint(each.fromUser);
                repoint(each.toUser);
            }
        }
    }
}

} // namespace

void ProgramState::repointUsers(std::unique_ptr<users> old) {
    QHash<const user*, user*> moved;
    // Unlisted users whom the reload lists now give way to the listed records; they are freed
    // once nothing points at them.
    std::vector<std::unique_ptr<user>> listedAgain;
    for (auto it = unlistedUsers.begin(); it != unlistedUsers.end();) {
        if (user* listed = userById(it->first); listed != nullptr) {
            moved[it->second.get()] = listed;
            listedAgain.push_back(std::move(it->second));
            it = unlistedUsers.erase(it);
        } else {
            ++it;
        }
    }
    if (old) {
        QStringList goneKeys;
        for (const user& each : *old) {
            if (user* listed = userById(each.userId); listed != nullptr) {
                moved[&each] = listed;
            } else {
                goneKeys.append(old->keyOf(&each));
            }
        }
        // Users the reload no longer lists stay, unlisted, for whatever points at them.
        for (const QString& key : std::as_const(goneKeys)) {
            if (!key.isEmpty()) {
                unlistUser(old->Take(key));
            }
        }
    }
    repointUserPointers(*this, moved);
}

void ProgramState::unlistUser(std::unique_ptr<user> taken) {
    if (!taken) {
        return;
    }
    taken->userTreeNode = nullptr; // its node goes with the tree
    std::unique_ptr<user>& unlisted = unlistedUsers[taken->userId];
    if (!unlisted) {
        unlisted = std::move(taken); // whatever points at it keeps pointing at it
        return;
    }
    repointUserPointers(*this, {{taken.get(), unlisted.get()}});
}

void ProgramState::replaceNotifications(std::unique_ptr<notifications> fresh) {
    const int shownId = currentNotification != nullptr ? currentNotification->notificationId : 0;
    previousNotifications = std::move(userNotifications);
    userNotifications = std::move(fresh);
    currentNotification = nullptr;
    if (shownId == 0 || !userNotifications) {
        return;
    }
    if (notification* keyed =
            userNotifications->find(NodeKeys::key(NodeKeys::Notification, shownId));
        keyed != nullptr && keyed->notificationId == shownId) {
        currentNotification = keyed;
        return;
    }
    for (notification& each : *userNotifications) {
        if (each.notificationId == shownId) {
            currentNotification = &each;
            return;
        }
    }
}
