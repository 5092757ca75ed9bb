#pragma once

#include <QString>
#include <QTemporaryDir>

namespace corvane::testing {

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

private:
    QTemporaryDir m_dir;
};

} // namespace corvane::testing
