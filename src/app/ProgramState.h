#pragma once

#include "data/DataContext.h"
#include "data/Database.h"
#include "data/category.h"
#include "data/notification.h"
#include "data/process.h"
#include "data/task.h"
#include "data/user.h"

#include <QHash>
#include <memory>

// What one running instance holds from start to end. The collections own their records; the
// four "current" pointers point into them and are set back whenever a collection is replaced.
struct ProgramState {
    std::unique_ptr<Database> database;
    std::unique_ptr<DataContext> context;

    std::unique_ptr<tasks> activeTasks;
    std::unique_ptr<cateories> allCategories;
    std::unique_ptr<users> allUsers;
    std::unique_ptr<processes> allProcesses;
    std::unique_ptr<notifications> userNotifications;

    user* currentUser = nullptr;
    task* currentTask = nullptr;
    category* selectedCategory = nullptr;
    notification* currentNotification = nullptr;

    // Look-ups in the loaded collections; nullptr when the collection is not loaded.
    user* userById(int userId) const;
    // The first category with that id; the placeholder (the first member) when there is none.
    category* categoryById(int categoryId) const;
    task* taskById(int taskId) const;

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
