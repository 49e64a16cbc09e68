#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QComboBox;

// Selects the first entry whose text, without leading and trailing blanks, equals itemValue
// without its blanks (case-sensitive). With no match the selection is left as it was.
// Returns whether an entry was selected.
bool setListValue(QComboBox* listControl, const QString& itemValue);

// Appends entries with their ids as item data, all in one step: the list takes them in once
// rather than once per entry and once more per id.
void appendEntries(QComboBox* listControl, const QStringList& texts, const QList<int>& ids);
