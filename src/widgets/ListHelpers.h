#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class QComboBox;

// Selects the first entry whose text, without leading and trailing blanks, equals itemValue
// without its blanks (case-sensitive). With no match the selection is left as it was.
// Returns whether an entry was selected.
bool setListValue(QComboBox* listControl, const QString& itemValue);

// Appends an entry and leaves the list's choice as it was: the chosen entry, or none with the
// typed text of an editable list (an empty list would otherwise choose what it is given).
// Tells nobody: the choice did not change.
void appendKeepingChoice(QComboBox* listControl, const QString& text);

// Appends entries with their ids as item data, all in one step: the list takes them in once
// rather than once per entry and once more per id.
void appendEntries(QComboBox* listControl, const QStringList& texts, const QList<int>& ids);

// The entries of a choice list as a list of texts and a list of their data (Qt::UserRole), for
// long lists filled and emptied as a whole: appendEntries hands a list its texts at once, shared
// rather than copied into an item for each entry, so two lists of the same thousand entries
// cost little more than one. Entries added, changed or removed one by one (addItem, clear,
// setItemData) behave as in any list.
class EntryList : public QAbstractListModel {
    Q_OBJECT

public:
    // Becomes the model of listControl, which owns it.
    static EntryList* install(QComboBox* listControl);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // Adds the entries at the end, with ids[i] as the data of texts[i].
    void append(const QStringList& texts, const QList<int>& ids);

private:
    using QAbstractListModel::QAbstractListModel;

    QStringList m_texts;
    QVariantList m_data; // null where an entry has none
};
