#include "data/CategoryPaths.h"

#include "data/Database.h"

#include <QStringList>

CategoryPaths::CategoryPaths(Database& database) {
    for (const Row row :
         database.query(QStringLiteral("select categoryId, category, parentId from category"))) {
        add(row.integer(0), row.text(1), row.integer(2));
    }
}

void CategoryPaths::add(int categoryId, const QString& name, int parentId) {
    m_entries.insert(categoryId, {name, parentId});
    const QPair<int, QString> key(parentId, name);
    const int known = m_byParentAndName.value(key);
    if (known == 0 || categoryId < known) {
        m_byParentAndName.insert(key, categoryId);
    }
}

QString CategoryPaths::path(int categoryId) const {
    QStringList names;
    for (int step = categoryId; m_entries.contains(step) && names.size() <= m_entries.size();) {
        const Entry& entry = m_entries[step];
        names.prepend(entry.name);
        if (entry.parentId == step) {
            break;
        }
        step = entry.parentId;
    }
    return names.join(QLatin1Char('/'));
}

int CategoryPaths::childNamed(int parentId, const QString& name) const {
    return m_byParentAndName.value(QPair<int, QString>(parentId, name));
}
