#pragma once

#include "data/DataContext.h"
#include "data/Database.h"
#include "data/category.h"
#include "data/notification.h"
#include "data/process.h"
#include "data/task.h"
#include "data/user.h"

#include <QHash>
#include <map>
#include <memory>
#include <optional>

// What one running instance holds from start to end. The collections own their records; the
// four "current" pointers, the tasks and the notifications point into them. Whenever a collection
// is replaced, they are pointed at the new records here, and only here.
struct ProgramState {
    std::unique_ptr<Database> database;
    std::unique_ptr<DataContext> context;
    // In signed-in mode, the server login this instance connected with: its current user is the
    // user of that name, whatever the settings say.
    std::optional<QString> signedInAs;

    std::unique_ptr<tasks> activeTasks;
    std::unique_ptr<cateories> allCategories;
    std::unique_ptr<users> allUsers;
    std::unique_ptr<processes> allProcesses;
    std::unique_ptr<notifications> userNotifications;

    user* currentUser = nullptr;
    task* currentTask = nullptr;
    category* selectedCategory = nullptr;
    notification* currentNotification = nullptr;

    // The notification collection the last load replaced: a record handed out before that load
    // stays valid until the next one.
    std::unique_ptr<notifications> previousNotifications;
    // Users that records name but allUsers does not list (a sender this instance has not loaded,
    // the user of a running task who was deleted), known by id only, without a name. One of them
    // is pointed at the listed record once a reload lists the id.
    std::map<int, std::unique_ptr<user>> unlistedUsers;

    // Look-ups in the loaded collections; nullptr when the collection is not loaded.
    user* userById(int userId) const;
    // The first category with that id; the placeholder (the first member) when there is none.
    category* categoryById(int categoryId) const;
    task* taskById(int taskId) const;
    // The listed user with that id, or the unlisted one (made when first asked for).
    user* userOrUnlisted(int userId);

    // allUsers was replaced by a reload (old is the collection it replaced): the tasks, the
    // notifications and currentUser point at the new records of the same ids, or at unlisted
    // ones where the id is no longer listed; old is freed.
    void repointUsers(std::unique_ptr<users> old);
    // A user taken out of allUsers (deleted): what pointed at it points at an unlisted user of
    // its id; the record is freed.
    void unlistUser(std::unique_ptr<user> taken);
    // Installs a new notification collection, keeps the one it replaces until the next time, and
    // points currentNotification at the new record of its id (nullptr when there is none).
    void replaceNotifications(std::unique_ptr<notifications> fresh);

    // A reload replaces a collection while records still point into it. What pointed into it is
    // remembered by id first (only for records that really are its members: the collection may
    // have been replaced already), and pointed at the new records of those ids afterwards.
    struct CategoryPointers {
        int selectedId = 0;
        QHash<task*, int> taskCategories;
    };
    CategoryPointers rememberCategoryPointers() const;
    // The selection and every running task point into the new allCategories (its placeholder
    // for a category that is gone). True when a real category was selected before.
    bool repointCategories(const CategoryPointers& remembered);
};
