#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// The schema code of earlier versions, kept as it was when each version was current, so that an
// upgrade is tried on a database those versions really made rather than on today's tables with
// parts taken away. Never change these statements: change the upgrade instead.
namespace EarlierSchemas {

// Makes the database of schema version 1 or 2 at location: a file that does not exist yet, or
// an empty server database. Its look-up rows are there; nothing else is.
void create(const QString& location, int version);

// A plain connection to the database at location, without anything Quillhour's own opening
// does (no upgrade): for writing rows as an earlier version did, and reading them back as
// stored. Close it with close().
QSqlDatabase connect(const QString& location, const QString& connectionName);
void close(const QString& connectionName);

// Runs a statement on such a connection and fails the test when it fails.
void run(QSqlDatabase& db, const QString& statement, const QVariantList& values = {});

} // namespace EarlierSchemas
