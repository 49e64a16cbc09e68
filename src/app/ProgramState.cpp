#include "app/ProgramState.h"

#include "data/NodeKeys.h"

#include <QSet>

user* ProgramState::userById(int userId) const {
    return allUsers ? allUsers->getUserById(userId) : nullptr;
}

category* ProgramState::categoryById(int categoryId) const {
    if (!allCategories) {
        return nullptr;
    }
    for (category& each : *allCategories) {
        if (each.categoryId == categoryId) {
            return &each;
        }
    }
    return allCategories->isEmpty() ? nullptr : &allCategories->Item(1);
}

task* ProgramState::taskById(int taskId) const {
    return activeTasks ? activeTasks->find(NodeKeys::key(NodeKeys::Task, taskId)) : nullptr;
}

ProgramState::CategoryPointers ProgramState::rememberCategoryPointers() const {
    CategoryPointers remembered;
    if (!allCategories) {
        return remembered;
    }
    QSet<const category*> members;
    for (const category& each : *allCategories) {
        members << &each;
    }
    if (members.contains(selectedCategory)) {
        remembered.selectedId = selectedCategory->categoryId;
    }
    if (activeTasks) {
        for (task& running : *activeTasks) {
            if (members.contains(running.category)) {
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
