#include "widgets/ListHelpers.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QStandardItemModel>

bool setListValue(QComboBox* listControl, const QString& itemValue) {
    const QString wanted = itemValue.trimmed();
    for (int i = 0; i < listControl->count(); ++i) {
        if (listControl->itemText(i).trimmed() == wanted) {
            listControl->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void appendKeepingChoice(QComboBox* listControl, const QString& text) {
    const QSignalBlocker quiet(listControl);
    const int chosen = listControl->currentIndex();
    const QString typed = listControl->currentText();
    listControl->addItem(text);
    if (listControl->currentIndex() != chosen) {
        listControl->setCurrentIndex(chosen);
        if (listControl->isEditable()) {
            listControl->setEditText(typed);
        }
    }
}

void appendEntries(QComboBox* listControl, const QStringList& texts, const QList<int>& ids) {
    if (auto* entries = qobject_cast<EntryList*>(listControl->model()); entries != nullptr) {
        entries->append(texts, ids);
        return;
    }
    auto* model = qobject_cast<QStandardItemModel*>(listControl->model());
    if (model == nullptr) {
        const int first = listControl->count();
        listControl->addItems(texts);
        for (int i = 0; i < ids.size(); ++i) {
            listControl->setItemData(first + i, ids[i]);
        }
        return;
    }
    QList<QStandardItem*> items;
    items.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* item = new QStandardItem(texts[i]);
        if (i < ids.size()) {
            item->setData(ids[i], Qt::UserRole);
        }
        items.append(item);
    }
    model->invisibleRootItem()->appendRows(items);
}

EntryList* EntryList::install(QComboBox* listControl) {
    auto* model = new EntryList(listControl);
    listControl->setModel(model);
    return model;
}

int EntryList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_texts.size());
}

QVariant EntryList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_texts.size()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_texts.at(index.row());
    case Qt::UserRole:
        return m_data.at(index.row());
    default:
        return {};
    }
}

bool EntryList::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= m_texts.size()) {
        return false;
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        m_texts[index.row()] = value.toString();
        break;
    case Qt::UserRole:
        m_data[index.row()] = value;
        break;
    default:
        return false;
    }
    emit dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags EntryList::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

bool EntryList::insertRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || row > m_texts.size() || count < 1) {
        return false;
    }
    beginInsertRows(parent, row, row + count - 1);
    m_texts.insert(row, count, QString());
    m_data.insert(row, count, QVariant());
    endInsertRows();
    return true;
}

bool EntryList::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_texts.size()) {
        return false;
    }
    beginRemoveRows(parent, row, row + count - 1);
    m_texts.remove(row, count);
    m_data.remove(row, count);
    endRemoveRows();
    return true;
}

void EntryList::append(const QStringList& texts, const QList<int>& ids) {
    if (texts.isEmpty()) {
        return;
    }
    const int first = int(m_texts.size());
    beginInsertRows({}, first, first + int(texts.size()) - 1);
    if (m_texts.isEmpty()) {
        m_texts = texts; // shared with the caller and any other list given the same texts
    } else {
        m_texts.append(texts);
    }
    m_data.reserve(m_texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        m_data.append(i < ids.size() ? QVariant(ids.at(i)) : QVariant());
    }
    endInsertRows();
}
