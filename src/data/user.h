#pragma once

#include "data/DataContext.h"
#include "data/KeyedCollection.h"

#include <QDateTime>
#include <QString>
#include <memory>

class Row;
class TreeNode;
class tasks;

// A person who records time: one row of the user table.
class user {
public:
    explicit user(DataContext& context)
        : m_context(&context) {}

    QDateTime created;
    QString details;
    QString email;
    bool active = false;
    TreeNode* userTreeNode = nullptr; // not owned; set by the user tree
    QString userName;
    int userId = 0;

    // Reads the row again. Does nothing for an unsaved record (userId 0) or a row that is gone;
    // a null email or details leaves the field as it was.
    void refresh();
    // Inserts a new record (active false, created now) and takes its userId and created from the
    // new row; updates name, details and email of a stored one.
    void save();
    // New task entries, carrying only their taskId, for the tasks of checkTaskList that belong to
    // this user, in the same order.
    std::unique_ptr<tasks> getCurrentTasks(const tasks& checkTaskList) const;

    // Takes the columns of a row of the user table; a null email or details leaves the field as
    // it was.
    void readRow(const Row& row);

private:
    DataContext* m_context;
};

class users : public KeyedCollection<user> {
public:
    explicit users(DataContext& context)
        : m_context(&context) {}
    user& Add(int userId, const QString& sKey = {});
    // The first user with this id, or nullptr.
    user* getUserById(int userId) const;

private:
    DataContext* m_context;
};
