#pragma once

#include "platform/jet/common/date.h"

#include <QDateTime>
#include <QString>

struct sqlite3;

namespace corvane::platform::db {

enum class OpenMode { ReadWrite, ReadOnly };

using NowSource = jet::NowSource;
// The system's clock, for tools that have no clock of their own.
NowSource systemNow();

// One open database file. Opening never creates the file, so a missing or
// foreign file fails at once instead of becoming an empty database; every
// connection gets the same settings (WAL, busy timeout, no double-quoted
// strings, the Jet functions). Views and statements made on a connection must
// not outlive it.
class Connection {
public:
    // Shared: any number of connections may be open on one file at once.
    explicit Connection(
        const QString& path, OpenMode mode = OpenMode::ReadWrite, NowSource now = systemNow());
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Makes a new, empty database file (failing when the path exists) and
    // opens it read-write. For tools that build a database; the program
    // itself only ever opens existing files.
    static Connection createNew(const QString& path, NowSource now = systemNow());
    // A new, empty database of SQLite's own in the system's temporary
    // folder, for work that must not stay in memory. No name leads to it:
    // it is gone when the connection closes, or the process ends however it
    // ends.
    static Connection temporary(NowSource now = systemNow());

    sqlite3* handle() const { return m_db; }
    const QString& path() const { return m_path; }
    OpenMode mode() const { return m_mode; }
    QDateTime now() const { return m_now(); }
    const NowSource& nowSource() const { return m_now; }

    // Runs one statement that returns no rows the caller needs (DDL,
    // PRAGMA, INSERT ...); the text must hold exactly one statement.
    void execute(const QString& sql);

    // True once the path no longer names the file this connection has open
    // (deleted, renamed, or another file moved over it).
    [[nodiscard]] bool fileHasMoved() const;
    // For a file that moved: copies what this connection's log holds into
    // the file it has open and empties the log, then lets go of the handle
    // without closing it. Closing would delete the -wal and -shm files by
    // path, and those paths may now serve the file that took its place.
    // Leaks the handle: for a process about to end.
    void abandonMovedFile();

    // Makes the statement running on this connection stop soon with an
    // interrupted failure. Safe from any thread while the connection is open.
    void interrupt() const;

    long long lastInsertRowId() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    bool inTransaction() const;

private:
    Connection() = default;
    void configure();
    bool openAndProbe();
    void close() noexcept;

    sqlite3* m_db = nullptr;
    QString m_path;
    OpenMode m_mode = OpenMode::ReadWrite;
    NowSource m_now;
};

} // namespace corvane::platform::db
