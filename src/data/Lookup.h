#pragma once

#include <QString>
#include <QVariant>

class Database;

// The single-value look-up of the look-up tables: the column of the row of table whose
// "<table>Id" equals id ("select days from allocationPeriod where allocationPeriodId = ?").
// A null value when no row matches or id is null. Table and column must be plain names.
QVariant getValueById(Database& database, const QString& tableName, const QVariant& id,
                      const QString& column);
