#include "platform/db/sole_access.h"

#include "platform/failure/failure.h"

#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

// Runs a statement the caller may expect to be refused; SQLite's result code.
int run(const Connection& connection, const char* sql)
{
    return sqlite3_exec(connection.handle(), sql, nullptr, nullptr, nullptr);
}

} // namespace

std::optional<SoleAccess> SoleAccess::tryTake(const QString& path, NowSource now)
{
    Connection connection(path, OpenMode::ReadWrite, std::move(now));
    // Refused at once, without waiting, while any other connection holds the
    // file's shared lock.
    if (run(connection, "PRAGMA journal_mode=DELETE") != SQLITE_OK)
        return std::nullopt;
    sqlite3_stmt* statement = nullptr;
    bool left = false;
    if (sqlite3_prepare_v2(connection.handle(), "PRAGMA journal_mode", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        left = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "delete") == 0;
    sqlite3_finalize(statement);
    // A reader that opened in the moment between waits for the lock; one
    // that stays longer than the busy timeout wins.
    if (!left || run(connection, "BEGIN EXCLUSIVE") != SQLITE_OK) {
        run(connection, "PRAGMA journal_mode=WAL");
        return std::nullopt;
    }
    return SoleAccess(std::move(connection));
}

SoleAccess::SoleAccess(Connection connection)
    : m_connection(std::move(connection))
{
}

SoleAccess::~SoleAccess()
{
    if (!m_connection || !m_connection->handle())
        return;
    run(*m_connection, "ROLLBACK");
    // A file put aside stays in rollback mode, so that a connection still
    // holding it can never write into the log of the file now under its name.
    if (!m_connection->fileHasMoved())
        run(*m_connection, "PRAGMA journal_mode=WAL");
}

} // namespace corvane::platform::db
