#include "platform/db/write_ahead_log.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"

#include <QFile>
#include <algorithm>
#include <cassert>
#include <optional>
#include <sqlite3.h>
#include <sys/statvfs.h>
#include <utility>

namespace corvane::platform::db {

namespace {

// Each frame of the log is a page with a 24-byte header.
constexpr qint64 FrameHeaderBytes = 24;
// SQLite's own autocheckpoint, given back when this object goes.
constexpr int DefaultCheckpointPages = 1000;
// The log takes at most a quarter of the free space.
constexpr qint64 LogShareOfFreeSpace = 4;
constexpr int FewestCheckpointPages = 8;
// statvfs is cheap, but not free for every row.
constexpr int CommitsPerSpaceCheck = 64;

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
    , m_pagesBeforeCheckpoint(pagesTheDiskAllows())
    , m_checkpointer([this, path = connection.path()] { runCheckpoints(path); })
{
    sqlite3_wal_hook(m_connection.handle(), &WriteAheadLog::onCommit, this);
}

WriteAheadLog::~WriteAheadLog()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_checkpointer.join();
    if (m_connection.handle())
        sqlite3_wal_autocheckpoint(m_connection.handle(), DefaultCheckpointPages);
}

void WriteAheadLog::waitForCheckpoint()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_requested && !m_running; });
}

void WriteAheadLog::checkpointAndTruncate()
{
    waitForCheckpoint();
    int logFrames = 0;
    int copied = 0;
    const int rc = sqlite3_wal_checkpoint_v2(
        m_connection.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logFrames, &copied);
    if (rc != SQLITE_OK && rc != SQLITE_BUSY)
        throw sqliteFailure(m_connection.handle(), rc);
    if (rc == SQLITE_OK) {
        const std::lock_guard lock(m_mutex);
        m_frames = 0;
        m_copied = 0;
        ++m_restarts;
    }
}

// The log is copied back once it holds this many pages, or sooner when the
// disk is short of space: it grows until then, and a log that fills the
// disk cannot be copied back into a file that would have to grow too.
int WriteAheadLog::pagesTheDiskAllows() const
{
    struct statvfs disk { };
    if (::statvfs(QFile::encodeName(m_connection.path()).constData(), &disk) != 0)
        return m_checkpointPages;
    const qint64 free = static_cast<qint64>(disk.f_bavail) * static_cast<qint64>(disk.f_frsize);
    const qint64 pages = free / LogShareOfFreeSpace / m_frameBytes;
    return static_cast<int>(std::clamp<qint64>(pages, FewestCheckpointPages, m_checkpointPages));
}

// Runs on the writer's thread after every commit, with the frames now in
// the log; fewer than before means the log started again from its head.
int WriteAheadLog::onCommit(void* self, sqlite3* db, const char* schema, int frames)
{
    auto* log = static_cast<WriteAheadLog*>(self);
    assert(frames >= 0);
    bool catchUp = false;
    {
        const std::lock_guard lock(log->m_mutex);
        if (frames < log->m_frames) {
            log->m_copied = 0;
            ++log->m_restarts;
        }
        log->m_frames = frames;
        catchUp = std::exchange(log->m_catchUpDue, false);
    }
    if (catchUp) {
        // While a checkpoint runs beside the writer, the writer adds pages it
        // cannot copy; without this the log would never start again. When the
        // thread has no connection, this copies everything, as SQLite would.
        int logFrames = 0;
        int copied = 0;
        if (sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copied)
            == SQLITE_OK) {
            const std::lock_guard lock(log->m_mutex);
            log->m_copied = copied;
        }
        return SQLITE_OK;
    }
    if (--log->m_commitsUntilSpaceCheck <= 0) {
        log->m_commitsUntilSpaceCheck = CommitsPerSpaceCheck;
        log->m_pagesBeforeCheckpoint = log->pagesTheDiskAllows();
    }
    {
        const std::lock_guard lock(log->m_mutex);
        if (frames - log->m_copied < log->m_pagesBeforeCheckpoint || log->m_running || log->m_requested)
            return SQLITE_OK;
        log->m_requested = true;
    }
    log->m_changed.notify_all();
    return SQLITE_OK;
}

// Passive, as the autocheckpoint: it copies what no reader still needs and
// never blocks the writer.
void WriteAheadLog::runCheckpoints(QString path)
{
    // The settings of every connection, and the first read that tells it the
    // file has a log. Without it the writer checkpoints by itself.
    std::optional<Connection> own;
    try {
        own.emplace(path);
    } catch (const Failure&) {
    }
    std::unique_lock lock(m_mutex);
    while (true) {
        m_changed.wait(lock, [this] { return m_requested || m_stop; });
        if (m_stop)
            break;
        // The only checkpointing thread: none can be running yet.
        assert(m_requested && !m_running);
        m_requested = false;
        m_running = true;
        const int restarts = m_restarts;
        lock.unlock();
        int logFrames = 0;
        int copied = 0;
        const int rc = own ? sqlite3_wal_checkpoint_v2(
                           own->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames, &copied)
                           : SQLITE_CANTOPEN;
        lock.lock();
        if (rc == SQLITE_OK && restarts == m_restarts)
            m_copied = copied;
        m_catchUpDue = true;
        m_running = false;
        m_changed.notify_all();
    }
}

} // namespace corvane::platform::db
