#pragma once

#include <QString>

class QComboBox;

// Selects the first entry whose text, without leading and trailing blanks, equals itemValue
// without its blanks (case-sensitive). With no match the selection is left as it was.
// Returns whether an entry was selected.
bool setListValue(QComboBox* listControl, const QString& itemValue);
