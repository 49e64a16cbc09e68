#pragma once

#include "data/DataContext.h"
#include "data/KeyedCollection.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TreeNode;
class category;
class user;

// One stretch of work by one user on one category: a row of tallyRec, with what the running
// program keeps for it while it runs.
class task {
public:
    explicit task(DataContext& context)
        : m_context(&context) {}

    QDateTime endTime;
    bool visible = false;             // its nodes are in the trees
    ::category* category = nullptr;   // not owned
    ::user* user = nullptr;           // not owned
    QString status;                   // "recovered" for a task found open at start
    TreeNode* taskTreeNode = nullptr; // not owned; only for the current user's tasks
    int reminderCount = 0;
    bool prompt = false;
    int duration = 0; // minutes
    QDateTime startTime;
    int taskId = 0; // the timeId of its row; 0 before it has one

    // Ends the task now and writes its row.
    void finish();
    // Writes the end time and duration of a stored task, or inserts the complete row of a task
    // without one (a one-off entry). The insert does not change taskId.
    void save();
    // Deletes the task's row and with it all the time recorded for it.
    void Cancel();

private:
    DataContext* m_context;
};

// An open row of tallyRec: a task that runs, in this instance or another.
struct OpenTimeRow {
    int timeId = 0;
    QDateTime startTime;
    int categoryId = 0;
    int userId = 0;
};

class tasks : public KeyedCollection<task> {
public:
    explicit tasks(DataContext& context)
        : m_context(&context) {}
    task& Add(int taskId, const QString& sKey = {});

    // Every open row of every user whose user and category rows exist, oldest start first, in
    // one statement that the open-row index answers without reading the finished rows.
    static std::vector<OpenTimeRow> openRows(Database& database);
    // Writes the open row of a task started now and gives its id, which the engine returns: a
    // task started at the same moment by another instance cannot hand us its row.
    static int startRow(Database& database, const QDateTime& startTime, int categoryId, int userId);

private:
    DataContext* m_context;
};
