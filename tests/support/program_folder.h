#pragma once

#include <QString>
#include <QTemporaryDir>

namespace corvane::testing {

// The first value of a query (in the program's dialect) on any database.
long long countIn(const QString& database, const QString& sql);

// The text of the failure box LogError shows.
QString failureBox(int number, const QString& description);

// A temporary program folder holding a new database and error log, as
// corvane-newdb writes them.
class ProgramFolder {
public:
    ProgramFolder();

    QString path() const { return m_dir.path(); }
    QString databasePath() const { return m_dir.filePath(QStringLiteral("syslog97.mdb")); }
    QString errorLogPath() const { return m_dir.filePath(QStringLiteral("Errlog.txt")); }
    // The error log's entries after the count, one per failure.
    int errorLogCount() const;
    // The first value of a query on the folder's database, e.g. a count.
    long long count(const QString& sql) const { return countIn(databasePath(), sql); }

private:
    QTemporaryDir m_dir;
};

} // namespace corvane::testing
