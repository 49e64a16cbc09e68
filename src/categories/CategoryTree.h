#pragma once

#include <QObject>
#include <QString>
#include <optional>

class category;
class cateories;
class frmMain;
class TreeNode;

// The category tree beside the tabs, the categories in memory (allCategories) and the look-ups
// by id and by name.
class CategoryTree : public QObject {
    Q_OBJECT

public:
    explicit CategoryTree(frmMain& main);

    // Rebuilds allCategories (the "- none -" placeholder first), the tree and both category
    // lists, then makes the previously selected category current again.
    void loadCategoryList();
    // Loads the children of thisCategory, and theirs, into the collection, tree and lists.
    void getCategories(category& thisCategory);
    void selectCategoryByNode(TreeNode* thisNode);

    // The first member with that id; the collection's first member (the placeholder) when there
    // is none; nullptr for an empty collection.
    category* getCategoryById(const cateories& checkCategories, int intCategoryId) const;
    category* getCategoryByName(const QString& strName) const;
    int getCategoryIdByName(const QString& name) const;
    static QString categoryIdFromKey(const QString& key);
    static int charCount(const QString& srtCheck, const QString& strChar);
    bool categoryExists(const std::optional<QString>& name, const std::optional<int>& categoryId);

    void categoryTree_NodeClick(TreeNode* node);
    void categoryTree_Expand(TreeNode* node);
    void categoryTree_DblClick();

private:
    frmMain& m_main;
};
