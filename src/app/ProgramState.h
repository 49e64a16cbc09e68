#pragma once

#include "data/DataContext.h"
#include "data/Database.h"
#include "data/category.h"
#include "data/notification.h"
#include "data/process.h"
#include "data/task.h"
#include "data/user.h"

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
};
