#include "categories/CategoryTree.h"

#include "categories/CategoryLoader.h"
#include "categories/CategoryStore.h"
#include "data/NodeKeys.h"
#include "data/category.h"
#include "data/task.h"
#include "platform/Messages.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "widgets/KeyedTree.h"
#include "widgets/ListHelpers.h"

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
    // Both lists take a thousand entries at a time: texts shared, no item made for each.
    EntryList::install(&cboParent);
    EntryList::install(&cboCategoryProductivity);
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
    const int rootId = thisCategory.categoryId;
    const QString rootPath = thisCategory.categoryTreeNode != nullptr
                                 ? thisCategory.categoryTreeNode->fullPath()
                                 : QString();
    std::vector<LoadedCategory> loaded = CategoryLoader::load(m_work.data(), rootId, rootPath);

    // The node of each loaded category, by its position; nullptr for one left out.
    std::vector<TreeNode*> nodes(loaded.size(), nullptr);
    TreeNode* const rootNode = rootId != 0 ? tree->node(categoryKey(rootId)) : nullptr;
    QStringList entries;
    QList<int> ids;
    entries.reserve(qsizetype(loaded.size()));
    ids.reserve(qsizetype(loaded.size()));
    {
        const UpdatesPaused paused(tree);
        const KeyedTree::Filling filling(*tree, int(loaded.size()));
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            LoadedCategory& each = loaded[i];
            TreeNode* parentNode =
                each.parentPosition < 0 ? rootNode : nodes[std::size_t(each.parentPosition)];
            if (parentNode == nullptr && (rootId != 0 || each.parentPosition >= 0)) {
                continue; // its parent could not be loaded, so neither can it
            }
            if (!each.readable) {
                continue; // a row that cannot be read is left out, with its subtree
            }
            const int categoryId = each.record.categoryId;
            const QString key = categoryKey(categoryId);
            try {
                category& member = all.Add(std::move(each.record), key);
                try {
                    member.categoryTreeNode = tree->addNode(parentNode, key, member.categoryName);
                } catch (const std::exception&) {
                    all.Remove(key);
                    throw;
                }
                nodes[i] = member.categoryTreeNode;
            } catch (const std::exception&) {
                continue;
            }
            entries.append(each.listText);
            ids.append(categoryId);
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
    return checkCategories.getCategoryById(intCategoryId);
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
