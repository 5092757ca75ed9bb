#pragma once

#include "platform/db/connection.h"

#include <QString>
#include <optional>

namespace corvane::platform::db {

// Proof that no other connection, of this process or another, has a database
// file open, held until this object goes. SQLite names a file's -wal and -shm
// by path, so renaming or replacing a file that another connection holds
// hands that connection the new file's log: it corrupts or empties one of the
// two. Leaving WAL mode needs every other connection gone (each holds a shared
// lock on the file from its first read until it closes), so it is the test;
// the exclusive lock taken right after keeps newcomers waiting. While this is
// held the file may be renamed or replaced: a connection that opened it
// meanwhile reads the file it opened, in rollback mode, where SQLite refuses
// writes to a file that has moved.
class SoleAccess {
public:
    // Nothing when another connection has the file open. Close this
    // process's own connections to it first.
    [[nodiscard]] static std::optional<SoleAccess> tryTake(const QString& path, NowSource now = systemNow());
    // A cheap look, no proof: whether a process other than this one holds a
    // lock on the file, as SQLite's connections do from their first read
    // until they close (Linux's table of locks; false where it is not there).
    // Needs no connection, so a caller can look before closing its own.
    [[nodiscard]] static bool lockedByAnotherProcess(const QString& path);

    SoleAccess(SoleAccess&& other) noexcept = default;
    SoleAccess& operator=(SoleAccess&&) = delete;
    SoleAccess(const SoleAccess&) = delete;
    SoleAccess& operator=(const SoleAccess&) = delete;
    // Lets newcomers in; a file still under its name goes back to WAL mode.
    ~SoleAccess();

    // Reads of the held file go through this connection.
    const Connection& connection() const { return *m_connection; }

private:
    explicit SoleAccess(Connection connection);

    std::optional<Connection> m_connection;
};

} // namespace corvane::platform::db
