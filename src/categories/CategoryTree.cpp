#include "categories/CategoryTree.h"

#include "app/KeyedTree.h"
#include "app/ListHelpers.h"
#include "app/Shell.h"
#include "app/Workspace.h"
#include "categories/CategoryLoader.h"
#include "categories/CategoryStore.h"
#include "data/NodeKeys.h"
#include "data/category.h"
#include "data/task.h"
#include "platform/Messages.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

QString categoryKey(int categoryId) {
    return NodeKeys::key(NodeKeys::Category, categoryId);
}

// Keeps a widget from repainting while it is filled, and lets it paint once at the end.
class UpdatesPaused {
public:
    explicit UpdatesPaused(QWidget* widget)
        : m_widget(widget)
        , m_wasEnabled(widget->updatesEnabled()) {
        m_widget->setUpdatesEnabled(false);
    }
    ~UpdatesPaused() { m_widget->setUpdatesEnabled(m_wasEnabled); }
    UpdatesPaused(const UpdatesPaused&) = delete;
    UpdatesPaused& operator=(const UpdatesPaused&) = delete;

private:
    QWidget* m_widget;
    bool m_wasEnabled;
};

} // namespace

CategoryTree::CategoryTree(Workspace& workspace, KeyedTree& categoryTree, QComboBox& cboParent,
                           QComboBox& cboCategoryProductivity, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_tree(categoryTree)
    , m_cboParent(cboParent)
    , m_cboCategoryProductivity(cboCategoryProductivity) {
    connect(&categoryTree, &KeyedTree::NodeClick, this,
            [this](TreeNode* node) { m_work.guard.run([&] { categoryTree_NodeClick(node); }); });
    connect(&categoryTree, &KeyedTree::Expand, this,
            [this](TreeNode* node) { m_work.guard.run([&] { categoryTree_Expand(node); }); });
    connect(&categoryTree, &KeyedTree::DblClick, this,
            m_work.guarded([this] { categoryTree_DblClick(); }));
}

void CategoryTree::loadCategoryList() {
    ProgramState& state = m_work.state;
    QComboBox* parents = &m_cboParent;
    QComboBox* chartCategories = &m_cboCategoryProductivity;

    const ProgramState::CategoryPointers remembered = state.rememberCategoryPointers();

    parents->clear();
    chartCategories->clear();
    m_tree.clearNodes();

    state.allCategories = std::make_unique<cateories>(m_work.data());
    category& placeholder = state.allCategories->Add(0);
    state.selectedCategory = &placeholder;
    placeholder.categoryName = tr("- none -");
    placeholder.parentId = -1;

    chartCategories->addItem(tr("- All -"));
    parents->addItem(tr("- none -"), 0);

    try {
        getCategories(placeholder);
    } catch (const std::exception&) {
        // A tree that cannot be read is left with what it has; the window still opens and the
        // next rebuild tries again.
    }

    if (state.repointCategories(remembered)) {
        selectCategoryNode(state.selectedCategory);
    }
}

void CategoryTree::getCategories(category& thisCategory) {
    KeyedTree* tree = &m_tree;
    cateories& all = *m_work.state.allCategories;
    const QString rootPath = thisCategory.categoryTreeNode != nullptr
                                 ? thisCategory.categoryTreeNode->fullPath()
                                 : QString();
    const std::vector<LoadedCategory> loaded =
        CategoryLoader::load(m_work.database(), thisCategory.categoryId, rootPath);

    QStringList entries;
    QList<int> ids;
    {
        const UpdatesPaused paused(tree);
        const KeyedTree::Filling filling(*tree, int(loaded.size()));
        for (const LoadedCategory& each : loaded) {
            TreeNode* parentNode = nullptr;
            if (each.parentId != 0) {
                parentNode = tree->node(categoryKey(each.parentId));
                if (parentNode == nullptr) {
                    continue; // its parent could not be loaded, so neither can it
                }
            }
            const QString key = categoryKey(each.categoryId);
            try {
                category& member = all.Add(each.categoryId, key);
                try {
                    member.readRow(each.row);
                    member.minAllocationPeriod = each.minAllocationPeriod;
                    member.maxAllocationPeriod = each.maxAllocationPeriod;
                    member.productivity = each.productivity;
                    member.categoryTreeNode = tree->addNode(parentNode, key, member.categoryName);
                } catch (const std::exception&) {
                    all.Remove(key);
                    throw;
                }
            } catch (const std::exception&) {
                continue; // a row that cannot be read is left out, with its subtree
            }
            entries.append(each.listText);
            ids.append(each.categoryId);
        }
    }

    for (QComboBox* list : {&m_cboParent, &m_cboCategoryProductivity}) {
        appendEntries(list, entries, ids);
    }
}

void CategoryTree::selectCategoryByNode(TreeNode* thisNode) {
    if (thisNode == nullptr) {
        return;
    }
    const int id = categoryIdFromKey(thisNode->key()).toInt();
    selectCategory(m_work.state.categoryById(id));
}

void CategoryTree::selectCategory(category* thisCategory) {
    if (thisCategory == nullptr) {
        return;
    }
    m_work.state.selectedCategory = thisCategory;
    selectCategoryNode(thisCategory);
    emit categorySelected(thisCategory);
}

category* CategoryTree::getCategoryById(const cateories& checkCategories, int intCategoryId) const {
    for (category& each : checkCategories) {
        if (each.categoryId == intCategoryId) {
            return &each;
        }
    }
    return checkCategories.isEmpty() ? nullptr : &checkCategories.Item(1);
}

category* CategoryTree::getCategoryByName(const QString& strName) const {
    const ProgramState& state = m_work.state;
    if (!state.allCategories) {
        return nullptr;
    }
    for (category& each : *state.allCategories) {
        if (each.categoryName == strName) {
            return &each;
        }
    }
    return nullptr;
}

int CategoryTree::getCategoryIdByName(const QString& name) const {
    const category* found = getCategoryByName(name.trimmed());
    return found != nullptr ? found->categoryId : 0;
}

QString CategoryTree::categoryIdFromKey(const QString& key) {
    return key.mid(NodeKeys::Category.size());
}

int CategoryTree::charCount(const QString& srtCheck, const QString& strChar) {
    return CategoryLoader::charCount(srtCheck, strChar);
}

bool CategoryTree::categoryExists(const std::optional<QString>& name,
                                  const std::optional<int>& categoryId) {
    if (!name && !categoryId) {
        m_work.messages.show(tr("The function categoryExists must be calleded with either name or "
                                "categoryId"),
                             tr("Missing Argument"), Messages::Buttons::Ok,
                             Messages::Icon::Critical);
        return false;
    }
    return CategoryStore::exists(m_work.database(), name, categoryId);
}

void CategoryTree::selectCategoryNode(const category* thisCategory) {
    if (thisCategory == nullptr || thisCategory->categoryTreeNode == nullptr) {
        return;
    }
    // Selecting a node opens its ancestors; that is not the user expanding them.
    const QSignalBlocker quiet(&m_tree);
    m_tree.selectNode(thisCategory->categoryTreeNode);
}

QString CategoryTree::listEntry(const category& thisCategory) {
    const QString path = thisCategory.categoryTreeNode != nullptr
                             ? thisCategory.categoryTreeNode->fullPath()
                             : thisCategory.categoryName;
    return CategoryLoader::listEntry(path, thisCategory.categoryName);
}

void CategoryTree::categoryTree_NodeClick(TreeNode* node) {
    selectCategoryByNode(node);
}

void CategoryTree::categoryTree_Expand(TreeNode* node) {
    selectCategoryByNode(node);
}

void CategoryTree::categoryTree_DblClick() {
    // Choosing the page shows the current category in the editor. A locked page stays shut.
    m_work.shell.openTab(Shell::CategoryTab);
}
