#pragma once

#include "data/category.h"

#include <QString>
#include <vector>

struct DataContext;

// One category as the tree loader reads it: the record with its stored columns and the values
// derived from the look-up tables, and where it sits in the tree.
struct LoadedCategory {
    explicit LoadedCategory(DataContext& context)
        : record(context, QDateTime()) {}

    category record;
    // False when a stored column could not be read: such a row is left out, with its subtree.
    bool readable = true;
    // The position of its parent in the loader's result; -1 for a child of the root.
    int parentPosition = -1;
    QString listText; // the entry of the category lists: indented by depth, then the name
};

// Reads the categories for the tree in one query (the period lengths and the productivity
// number joined in) and puts them in tree order: each category followed by all of its
// descendants, siblings by name without regard to case, then by id.
class CategoryLoader {
public:
    // The descendants of the category rootId (0: the whole tree). rootPath is the full path of
    // that category, so the indentation of its descendants continues from it. Only categories
    // reachable from rootId through their parents are returned.
    static std::vector<LoadedCategory> load(DataContext& context, int rootId = 0,
                                            const QString& rootPath = {});

    static constexpr QChar PathSeparator = QLatin1Char('\\');

    // The text of a category in the category lists: four blanks for each path separator in its
    // full path, then its name. A backslash in a name indents it (and its descendants) further,
    // as it reads as one more level.
    static QString listEntry(const QString& fullPath, const QString& name);
    // How many single characters of srtCheck equal strChar.
    static int charCount(const QString& srtCheck, const QString& strChar);
};
