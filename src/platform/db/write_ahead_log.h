#pragma once

#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

namespace corvane::platform::db {

class Connection;

// Checkpoints a writing connection's log every so many pages, as SQLite's own
// autocheckpoint does, but on a thread and connection of its own: copying
// thousands of pages back into the file takes tens of milliseconds, which the
// writer's thread (a window's, say) should not wait for. The log file keeps
// its largest length for reuse: cutting it back after every checkpoint costs
// a quarter of the write speed.
class WriteAheadLog {
public:
    // The connection must outlive this object.
    WriteAheadLog(const Connection& connection, int checkpointPages);
    ~WriteAheadLog();
    WriteAheadLog(const WriteAheadLog&) = delete;
    WriteAheadLog& operator=(const WriteAheadLog&) = delete;

    // Returns once a checkpoint under way has finished.
    void waitForCheckpoint();
    // On the writer's connection: copies every page into the file and cuts
    // the log to nothing, waiting for readers as long as the busy timeout.
    void checkpointAndTruncate();

private:
    static int onCommit(void* self, sqlite3* db, const char* schema, int frames);
    int pagesTheDiskAllows() const;
    void runCheckpoints(QString path);

    const Connection& m_connection;
    int m_checkpointPages;
    qint64 m_frameBytes;
    // The writer's thread only: the checkpoint threshold as free space allows.
    int m_pagesBeforeCheckpoint;
    int m_commitsUntilSpaceCheck = 0;
    // Frames in the log after the writer's last commit (writer's thread only).
    int m_frames = 0;
    mutable std::mutex m_mutex;
    // Frames of the current log the last checkpoint copied into the file.
    int m_copied = 0;
    // Times the log started again from its head: a checkpoint that finishes
    // after a restart speaks of the log before it.
    int m_restarts = 0;
    std::condition_variable m_changed;
    bool m_requested = false;
    bool m_running = false;
    // Set when a checkpoint has copied the bulk: the writer copies the few
    // pages written meanwhile itself, so the log can start again from its head.
    bool m_catchUpDue = false;
    bool m_stop = false;
    std::thread m_checkpointer;
};

} // namespace corvane::platform::db
