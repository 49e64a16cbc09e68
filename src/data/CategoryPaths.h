#pragma once

#include <QHash>
#include <QPair>
#include <QString>

class Database;

// Every category by id with its name and parent, read in one statement, for naming categories
// by their path from the top ("Parent/Child") and finding them again by it.
class CategoryPaths {
public:
    struct Entry {
        QString name;
        int parentId = 0;
    };

    explicit CategoryPaths(Database& database);

    const QHash<int, Entry>& entries() const { return m_entries; }
    // "Parent/Child" from the top; a loop in the parents ends the walk.
    QString path(int categoryId) const;
    // The category of that name right under parentId (0: at the top), the oldest when several
    // share it; 0 when there is none.
    int childNamed(int parentId, const QString& name) const;
    // A category made since the read, so that it is found like the others.
    void add(int categoryId, const QString& name, int parentId);

private:
    QHash<int, Entry> m_entries;
    QHash<QPair<int, QString>, int> m_byParentAndName;
};
