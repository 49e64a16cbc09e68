#pragma once

#include <QObject>
#include <QString>
#include <optional>

class category;
class cateories;
class KeyedTree;
class QComboBox;
class TreeNode;
struct Workspace;

// categorySelected carries a category*: moc needs the whole class to register that type, without
// which a queued connection or a signal spy cannot hold the argument.
Q_MOC_INCLUDE("data/category.h")

// The category tree beside the tabs, the categories in memory (allCategories) and the look-ups
// by id and by name.
class CategoryTree : public QObject {
    Q_OBJECT

public:
    // categoryTree is the tree beside the tabs; cboParent (Category page) and
    // cboCategoryProductivity (Productivity page) are the category lists it fills.
    CategoryTree(Workspace& workspace, KeyedTree& categoryTree, QComboBox& cboParent,
                 QComboBox& cboCategoryProductivity, QObject* parent = nullptr);

    // Rebuilds allCategories (the "- none -" placeholder first), the tree and both category
    // lists, then makes the previously selected category current again. Running tasks are
    // pointed at the new records of their categories (the placeholder for one that is gone).
    void loadCategoryList();
    // Loads the descendants of thisCategory into the collection, tree and lists.
    void getCategories(category& thisCategory);
    void selectCategoryByNode(TreeNode* thisNode);
    // Makes a category the selected one, wherever it was chosen: its node is selected in the
    // tree and the pages show it (showCategory), as after a click on the node.
    void selectCategory(category* thisCategory);

    // The first member with that id; the collection's first member (the placeholder) when there
    // is none; nullptr for an empty collection.
    category* getCategoryById(const cateories& checkCategories, int intCategoryId) const;
    // The first loaded category of exactly that name, or nullptr.
    category* getCategoryByName(const QString& strName) const;
    // The id of the first loaded category named the text without its surrounding blanks; 0
    // when there is none.
    int getCategoryIdByName(const QString& name) const;
    static QString categoryIdFromKey(const QString& key);
    static int charCount(const QString& srtCheck, const QString& strChar);
    // Whether the database holds a category of that name and/or id. With neither given the
    // caller is told of its mistake and the answer is false.
    bool categoryExists(const std::optional<QString>& name, const std::optional<int>& categoryId);

    // Selects the category's node in the tree without running the tree's handlers.
    void selectCategoryNode(const category* thisCategory);
    // The text of a category in the category lists: indented by the depth of its node.
    static QString listEntry(const category& thisCategory);

    void categoryTree_NodeClick(TreeNode* node);
    void categoryTree_Expand(TreeNode* node);
    void categoryTree_DblClick();

signals:
    // A category was chosen (in the tree, or by the program as if there): the pages show it.
    void categorySelected(category* thisCategory);

private:
    Workspace& m_work;
    KeyedTree& m_tree;
    QComboBox& m_cboParent;
    QComboBox& m_cboCategoryProductivity;
};
