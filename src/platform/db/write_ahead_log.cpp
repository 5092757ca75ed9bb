#include "platform/db/write_ahead_log.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"

#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

// Each frame of the log is a page with a 24-byte header; the log starts with
// a 32-byte header.
constexpr qint64 FrameHeaderBytes = 24;
constexpr qint64 LogHeaderBytes = 32;
// SQLite's own autocheckpoint, given back when this object goes.
constexpr int DefaultCheckpointPages = 1000;

qint64 pageSize(sqlite3* db)
{
    sqlite3_stmt* statement = nullptr;
    qint64 size = 4096;
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        size = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return size;
}

} // namespace

WriteAheadLog::WriteAheadLog(const Connection& connection, int checkpointPages)
    : m_connection(connection)
    , m_checkpointPages(checkpointPages)
    , m_frameBytes(pageSize(connection.handle()) + FrameHeaderBytes)
{
    sqlite3_wal_hook(m_connection.handle(), &WriteAheadLog::onCommit, this);
}

WriteAheadLog::~WriteAheadLog()
{
    if (m_connection.handle())
        sqlite3_wal_autocheckpoint(m_connection.handle(), DefaultCheckpointPages);
}

qint64 WriteAheadLog::liveBytes() const
{
    return m_liveFrames > 0 ? LogHeaderBytes + m_liveFrames * m_frameBytes : 0;
}

void WriteAheadLog::checkpointAndTruncate()
{
    int logFrames = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(
        m_connection.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &copied);
    if (rc != SQLITE_OK && rc != SQLITE_BUSY)
        throw sqliteFailure(m_connection.handle(), rc);
    if (rc == SQLITE_OK)
        m_liveFrames = 0;
}

// Runs after every commit of this connection with the frames now in the log.
int WriteAheadLog::onCommit(void* self, sqlite3* db, const char* schema, int frames)
{
    auto* log = static_cast<WriteAheadLog*>(self);
    log->m_liveFrames = frames;
    if (frames >= log->m_checkpointPages) {
        int logFrames = 0;
        int copied = 0;
        // Passive, as the autocheckpoint: a reader in the way only delays it.
        if (sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copied) == SQLITE_OK
            && copied == logFrames)
            log->m_liveFrames = 0;
    }
    return SQLITE_OK;
}

} // namespace corvane::platform::db
