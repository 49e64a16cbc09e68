#include "categories/CategoryTree.h"

#include "app/frmMain.h"
#include "data/category.h"

CategoryTree::CategoryTree(frmMain& main)
    : QObject(&main)
    , m_main(main) {}

void CategoryTree::loadCategoryList() {
    // Filled with the category subsystem: until then the collection holds the placeholder only.
    auto& state = m_main.state();
    state.allCategories = std::make_unique<cateories>(m_main.context());
    category& placeholder = state.allCategories->Add(0);
    placeholder.categoryName = QStringLiteral("- none -");
    placeholder.parentId = -1;
    state.selectedCategory = &placeholder;
}

void CategoryTree::getCategories(category&) {}

void CategoryTree::selectCategoryByNode(TreeNode*) {}

category* CategoryTree::getCategoryById(const cateories& checkCategories, int intCategoryId) const {
    for (category& each : checkCategories) {
        if (each.categoryId == intCategoryId) {
            return &each;
        }
    }
    return checkCategories.isEmpty() ? nullptr : &checkCategories.Item(1);
}

category* CategoryTree::getCategoryByName(const QString&) const {
    return nullptr;
}

int CategoryTree::getCategoryIdByName(const QString&) const {
    return 0;
}

QString CategoryTree::categoryIdFromKey(const QString& key) {
    return key.mid(3);
}

int CategoryTree::charCount(const QString& srtCheck, const QString& strChar) {
    return strChar.size() == 1 ? int(srtCheck.count(strChar.at(0))) : 0;
}

bool CategoryTree::categoryExists(const std::optional<QString>&, const std::optional<int>&) {
    return false;
}

void CategoryTree::categoryTree_NodeClick(TreeNode*) {}
void CategoryTree::categoryTree_Expand(TreeNode*) {}
void CategoryTree::categoryTree_DblClick() {}
