#pragma once

#include <QtGlobal>

struct sqlite3;

namespace corvane::platform::db {

class Connection;

// Checkpoints a writing connection's log every so many pages, as SQLite's own
// autocheckpoint does, and keeps how much of the log holds pages not yet
// copied into the file. The log file keeps its largest length for reuse
// (cutting it back after every checkpoint costs a quarter of the write
// speed), so its length says nothing about the data; its live part does.
class WriteAheadLog {
public:
    // The connection must outlive this object.
    WriteAheadLog(const Connection& connection, int checkpointPages);
    ~WriteAheadLog();
    WriteAheadLog(const WriteAheadLog&) = delete;
    WriteAheadLog& operator=(const WriteAheadLog&) = delete;

    // Bytes of the log holding pages the file does not have yet, as of this
    // connection's last commit or checkpoint.
    qint64 liveBytes() const;
    // Copies every page into the file and cuts the log to nothing.
    void checkpointAndTruncate();

private:
    static int onCommit(void* self, sqlite3* db, const char* schema, int frames);

    const Connection& m_connection;
    int m_checkpointPages;
    qint64 m_frameBytes;
    int m_liveFrames = 0;
};

} // namespace corvane::platform::db
