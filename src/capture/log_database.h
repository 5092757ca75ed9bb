#pragma once

#include "platform/db/appending_table_view.h"
#include "platform/db/connection.h"
#include "platform/db/write_ahead_log.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

namespace platform::db {
class DatabaseEngine;
}

class FieldKeys;
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
    LogDatabase(
        const platform::db::DatabaseEngine& engine, const QString& databasePath, const FieldKeys& keys);
    LogDatabase(const LogDatabase&) = delete;
    LogDatabase& operator=(const LogDatabase&) = delete;

    void AppendMissedRow(const QString& message);
    // The record count the syslog view reports after the append.
    long long AppendSyslogRecord(const SyslogRecord& record);

    // The main file plus the live part of its write-ahead log: with WAL the
    // main file grows only at checkpoints, so it alone lags behind what is
    // stored, and the log file keeps its largest length after them.
    qint64 DatabaseFileSize() const;
    // Tests put a large file in place without writing one.
    void setFileSizeSource(FileSizeSource source) { m_fileSize = std::move(source); }

    // Shows the size; past the limit, checkpoints and reads it again: true
    // when it is still past.
    bool CheckDatabaseSize(const std::function<void(const QString&)>& showSize);
    // Moves the log's pages into the file and cuts the log to nothing.
    void checkpoint();

    // The size the check reads: the file's, unless a test put one in place.
    qint64 currentSize() const { return m_fileSize ? m_fileSize() : DatabaseFileSize(); }

private:
    const FieldKeys& m_keys;
    platform::db::Connection m_connection;
    platform::db::WriteAheadLog m_log;
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
