#pragma once

#include <QString>
#include <optional>

class Clock;
class Database;

// The category rules that read or change rows directly, beside the record's own refresh and
// save.
namespace CategoryStore {

// Whether the table holds a category with that name (exactly) and/or that id; both given means
// both must match. At least one must be given.
bool exists(Database& database, const std::optional<QString>& name,
            const std::optional<int>& categoryId);

// How many categories the table holds.
int count(Database& database);

// Whether candidateParentId is categoryId itself or one of its descendants, as the table holds
// them now: such a parent would cut the category and its subtree off from the tree.
bool isSelfOrDescendant(Database& database, int categoryId, int candidateParentId);

// The tasks running on a category: its open time rows, of every user.
int runningTaskCount(Database& database, int categoryId);

// Deletes a category with all of its time rows, and moves its sub-categories up to its parent,
// in one transaction. A category that is gone already leaves its time rows deleted and its
// sub-categories where they are. While a task runs on the category nothing is deleted and the
// answer is false: the task would lose its row and record nothing when finished. The deleted
// time rows are kept in the trail as deleted by byUserId, and their users told.
bool deleteCategory(Database& database, const Clock& clock, int categoryId, int byUserId);

} // namespace CategoryStore
