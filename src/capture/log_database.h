#pragma once

#include "platform/db/appending_table_view.h"
#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "platform/db/write_ahead_log.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

namespace platform::db {
class DatabaseEngine;
}

struct SyslogRecord;

// Past this size capture stops by itself.
inline constexpr qint64 MaxDatabaseBytes = 1'950'000'000;

// The two appending views on the log tables, open for the whole run: one
// row per datagram in syslog, one per missing key in missed, each committed
// by itself. Also the size display and the size limit.
class LogDatabase {
public:
    using FileSizeSource = std::function<qint64()>;

    // Opens the syslog view at once. The missed view opens on its first
    // append, so a file without table missed fails only those appends.
    LogDatabase(const platform::db::DatabaseEngine& engine, const QString& databasePath,
        qint64 sizeLimit = MaxDatabaseBytes);
    LogDatabase(const LogDatabase&) = delete;
    LogDatabase& operator=(const LogDatabase&) = delete;

    void AppendMissedRow(const QString& message);
    // The record count the syslog view reports after the append.
    long long AppendSyslogRecord(const SyslogRecord& record);
    // One datagram whole: a missed row per missing key, then its syslog row,
    // stored together or not at all, so that a datagram tried again after a
    // failure never leaves its missed rows twice. The record count after it.
    long long storeDatagram(const QString& message, int missingKeys, const SyslogRecord& record);

    // The data: the database's pages, those still in the write-ahead log
    // included, times the page size. The file alone lags behind until a
    // checkpoint, and the log file keeps its largest length after one.
    qint64 DatabaseFileSize() const;
    // Tests put a large file in place without writing one.
    void setFileSizeSource(FileSizeSource source) { m_fileSize = std::move(source); }

    // Shows the size; true when it is past the limit (MaxDatabaseBytes unless
    // a smaller one was given, to try rotation without filling a disk).
    [[nodiscard]] bool CheckDatabaseSize(const std::function<void(const QString&)>& showSize);
    // Copies the write-ahead log into the file and cuts the log to nothing:
    // on a full disk the log, which grows until a checkpoint, holds most of
    // the space there is. Quietly does nothing when it cannot.
    void releaseLogSpace();
    // True once the database path names another file, or none.
    bool fileHasMoved() const { return m_connection.fileHasMoved(); }
    // Stops writing to a file that moved, touching nothing by its old path.
    void abandonMovedFile() { m_connection.abandonMovedFile(); }

    // The size the check reads: the file's, unless a test put one in place.
    qint64 currentSize() const { return m_fileSize ? m_fileSize() : DatabaseFileSize(); }

private:
    platform::db::Connection m_connection;
    platform::db::WriteAheadLog m_log;
    mutable platform::db::Statement m_pageCount;
    qint64 m_pageSize;
    qint64 m_sizeLimit;
    platform::db::AppendingTableView m_syslog;
    std::optional<platform::db::AppendingTableView> m_missed;
    // Column positions, looked up once rather than by name for every row.
    int m_logDateColumn;
    int m_sentPlusRcvdColumn;
    std::vector<int> m_keyColumns;
    FileSizeSource m_fileSize;
};

// "3072000 Bytes": no separators, no leading zeros.
QString databaseSizeText(qint64 bytes);

inline constexpr QLatin1StringView MaximumSizeMessage {
    "The Database has reached its maximum size so capturing will be stopped"
};

} // namespace corvane
