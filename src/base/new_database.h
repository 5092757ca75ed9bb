#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

namespace platform::db {
class SoleAccess;
}

// The statements that build every table and index of a new database.
QStringList schemaStatements();

// Writes FOLDER/syslog97.mdb (all tables, the shipped reports, WAL) and
// FOLDER/Errlog.txt holding the count 0. Refuses, writing nothing, when the
// folder is missing or either file exists. Each file is written under a
// temporary name and renamed into place, so a failure leaves no half file.
// Throws corvane::platform::Failure.
void createNewDatabase(const QString& folder);

// Gives the full database file that `full` holds alone a second name,
// archivePath, and puts an empty one with the same tables and the full
// file's Report rows (filter values included) in its place. Readers find a
// whole file under the old name at every moment. Throws
// corvane::platform::Failure, leaving the full file where it was.
void archiveAndRenewDatabase(const platform::db::SoleAccess& full, const QString& archivePath);

} // namespace corvane
