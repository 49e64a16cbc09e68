#pragma once

#include "data/ResultSet.h"

#include <QString>
#include <vector>

class Database;

// One category as the tree loader reads it: the stored columns, the values derived from the
// look-up tables, and where it sits in the tree.
struct LoadedCategory {
    explicit LoadedCategory(Row stored)
        : row(std::move(stored)) {}

    Row row; // every column of the category row; category::readRow takes it
    int categoryId = 0;
    int parentId = 0;
    QString name;
    int minAllocationPeriod = 0; // days of the minimum period; 0 when it names no period
    int maxAllocationPeriod = 0;
    int productivity = 0; // the rating's number; 0 when it names no rating
    QString fullPath;     // the names from the top of the tree down to this one, "\" between
    QString listText;     // the entry of the category lists: indented by depth, then the name
};

// Reads the categories for the tree in one query (the period lengths and the productivity
// number joined in) and puts them in tree order: each category followed by all of its
// descendants, siblings by name without regard to case, then by id.
class CategoryLoader {
public:
    // The descendants of the category rootId (0: the whole tree). rootPath is the full path of
    // that category, so the paths and indentation of its descendants continue from it. Only
    // categories reachable from rootId through their parents are returned.
    static std::vector<LoadedCategory> load(Database& database, int rootId = 0,
                                            const QString& rootPath = {});

    static constexpr QChar PathSeparator = QLatin1Char('\\');

    // The text of a category in the category lists: four blanks for each path separator in its
    // full path, then its name. A backslash in a name indents it (and its descendants) further,
    // as it reads as one more level.
    static QString listEntry(const QString& fullPath, const QString& name);
    // How many single characters of srtCheck equal strChar.
    static int charCount(const QString& srtCheck, const QString& strChar);
};
