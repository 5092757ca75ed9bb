#include "platform/db/sole_access.h"

#include "platform/failure/failure.h"

#include <QFile>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

bool SoleAccess::lockedByAnotherProcess(const QString& path)
{
    // Read from the table, never through a descriptor of the file: closing
    // one would drop every lock this process's own connections hold on it.
    struct stat file { };
    QFile locks(QStringLiteral("/proc/locks"));
    if (::stat(QFile::encodeName(path).constData(), &file) != 0 || !locks.open(QIODevice::ReadOnly))
        return false;
    // "1: POSIX  ADVISORY  READ 25957 fe:00:10952937 1073741826 1073742335";
    // a waiter's line has "->" after the number and holds nothing yet.
    const QByteArray id = QString::asprintf("%02x:%02x:%llu", ::major(file.st_dev), ::minor(file.st_dev),
        static_cast<unsigned long long>(file.st_ino))
                              .toLatin1();
    const QByteArray self = QByteArray::number(::getpid());
    // The table's size reads as 0: read to its end, not to its size.
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields[1] != "->" && fields[5] == id && fields[4] != self)
            return true;
    }
    return false;
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
