#pragma once

#include "data/KeyedCollection.h"

#include <QString>

class TreeNode;

// One application window that was open on a user's desktop: a row of the process table. The
// process list reads and writes the rows; the record only carries them.
class process {
public:
    int userId = 0;
    int processId = 0;
    TreeNode* processNode = nullptr; // not owned; set by the process list
    QString processName;
};

class processes : public KeyedCollection<process> {
public:
    // Creates a record for the window title and appends it under sKey (no key when empty).
    process& Add(const QString& processName, const QString& sKey = {});
};
