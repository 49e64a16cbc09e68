#include "categories/FolderList.h"

#include "widgets/UiHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

namespace {

const QString kRoot = QStringLiteral("/");

// The folder above a clean absolute path; the root is its own parent.
QString parentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? kRoot : path.left(slash);
}

QString cleanAbsolute(const QString& path) {
    return QDir::cleanPath(QDir(path).absolutePath());
}

} // namespace

QString nearestExistingFolder(const QString& path) {
    if (path.trimmed().isEmpty()) {
        return kRoot;
    }
    QString folder = cleanAbsolute(path);
    while (folder != kRoot && !QFileInfo(folder).isDir()) {
        folder = parentOf(folder);
    }
    return folder;
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) {
        return name;
    }
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

FolderList::FolderList(QWidget* parent)
    : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(12);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) {
            setPath(item->data(0, Qt::UserRole).toString());
        }
    });
}

void FolderList::setPath(const QString& path) {
    m_path = nearestExistingFolder(path);
    fill();
    emit Change();
}

QString FolderList::highlightedPath() const {
    const QTreeWidgetItem* highlighted = currentItem();
    return highlighted != nullptr ? highlighted->data(0, Qt::UserRole).toString() : m_path;
}

QTreeWidgetItem* FolderList::entryFor(const QString& folder) const {
    const QString wanted = cleanAbsolute(folder);
    for (QTreeWidgetItemIterator it(const_cast<FolderList*>(this)); *it != nullptr; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == wanted) {
            return *it;
        }
    }
    return nullptr;
}

QStringList FolderList::subfolders() const {
    QStringList names;
    const QTreeWidgetItem* current = entryFor(m_path);
    if (current != nullptr) {
        for (int i = 0; i < current->childCount(); ++i) {
            names.append(current->child(i)->text(0));
        }
    }
    return names;
}

void FolderList::keyPressEvent(QKeyEvent* event) {
    // Backspace climbs one level, as in the desktop's file managers.
    if (event->key() == Qt::Key_Backspace && m_path != kRoot) {
        setPath(parentOf(m_path));
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void FolderList::fill() {
    clear();
    QStringList chain;
    for (QString folder = m_path;; folder = parentOf(folder)) {
        chain.prepend(folder);
        if (folder == kRoot) {
            break;
        }
    }

    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    auto addEntry = [](QTreeWidgetItem* entry, const QString& folder, const QString& text,
                       const QIcon& icon) {
        entry->setText(0, text);
        entry->setIcon(0, icon);
        entry->setData(0, Qt::UserRole, folder);
        entry->setToolTip(0, plainToolTip(QDir::toNativeSeparators(folder)));
        return entry;
    };

    QTreeWidgetItem* current = nullptr;
    for (const QString& folder : chain) {
        const QString text = folder == kRoot ? kRoot : QFileInfo(folder).fileName();
        auto* entry = current == nullptr ? new QTreeWidgetItem(this) : new QTreeWidgetItem(current);
        current = addEntry(entry, folder, text, openIcon);
    }

    const QFileInfoList children = QDir(m_path).entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& child : children) {
        addEntry(new QTreeWidgetItem(current), joinPath(m_path, child.fileName()), child.fileName(),
                 closedIcon);
    }

    expandAll();
    setCurrentItem(current);
    scrollToItem(current, QAbstractItemView::PositionAtCenter);
}
