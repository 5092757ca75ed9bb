#include "platform/db/connection.h"

#include "platform/db/grouped_scan.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/statement.h"
#include "platform/db/write_protection.h"
#include "platform/jet/sqlite/functions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <utility>

namespace corvane::platform::db {

namespace {

constexpr int BusyTimeoutMs = 5000;

void failIfMissing(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return;
    if (!info.absoluteDir().exists())
        throw namedFailure(failure::NotAValidPath, path);
    throw namedFailure(failure::CouldNotFindFile, path);
}

} // namespace

NowSource systemNow()
{
    return [] { return QDateTime::currentDateTime(); };
}

Connection::Connection(const QString& path, OpenMode mode, NowSource now)
    : m_path(path)
    , m_mode(mode)
    , m_now(std::move(now))
{
    failIfMissing(path);
    const QFileInfo info(path);
    if (info.isDir())
        throw namedFailure(failure::CannotOpenDatabase, path, QStringLiteral("it is a folder"));
    // SQLite would take an empty file for a new database; for us it is no database.
    if (info.size() == 0)
        throw namedFailure(failure::CannotOpenDatabase, path, QStringLiteral("the file is empty"));
    if (mode == OpenMode::ReadWrite && isWriteProtected(info))
        throw namedFailure(failure::CannotUpdate, path, QStringLiteral("the file is write-protected"));
    configure();
}

Connection Connection::createNew(const QString& path, NowSource now)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QFileInfo info(path);
        if (info.exists())
            throw namedFailure(failure::DatabaseExists, path);
        if (!info.absoluteDir().exists())
            throw namedFailure(failure::NotAValidPath, path);
        throw failure::PathFileAccessError.make(path + QStringLiteral(": ") + file.errorString());
    }
    file.close();
    Connection connection;
    connection.m_path = path;
    connection.m_now = std::move(now);
    try {
        connection.configure();
    } catch (const Failure&) {
        connection.close();
        QFile::remove(path);
        throw;
    }
    return connection;
}

Connection::~Connection()
{
    close();
}

Connection::Connection(Connection&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_path(std::move(other.m_path))
    , m_mode(other.m_mode)
    , m_now(std::move(other.m_now))
{
}

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = std::exchange(other.m_db, nullptr);
        m_path = std::move(other.m_path);
        m_mode = other.m_mode;
        m_now = std::move(other.m_now);
    }
    return *this;
}

void Connection::close() noexcept
{
    // close_v2 waits for statements still alive instead of failing.
    if (m_db)
        sqlite3_close_v2(std::exchange(m_db, nullptr));
}

void Connection::configure()
{
    // A file swapped in between the open and the first read: the read ran
    // on the file this connection opened, which the path no longer names.
    // Open what the path names now; once a read in WAL mode holds its lock,
    // nobody can swap the file any more (see SoleAccess).
    constexpr int Attempts = 3;
    for (int attempt = 1;; ++attempt) {
        if (openAndProbe())
            break;
        if (attempt == Attempts)
            throw namedFailure(failure::CannotOpenDatabase, m_path,
                QStringLiteral("the file was replaced while it was opened"));
        failIfMissing(m_path);
    }
    try {
        const bool readOnly = m_mode == OpenMode::ReadOnly;
        if (!readOnly) {
            if (sqlite3_db_readonly(m_db, "main") == 1)
                throw namedFailure(failure::CannotUpdate, m_path, QStringLiteral("opened read-only"));
            // Readers never block the writer, and a commit needs no sync.
            execute(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        execute(QStringLiteral("PRAGMA synchronous=NORMAL"));
        jet::registerFunctions(m_db, m_now);
        registerGroupRowsFunction(m_db);
    } catch (const Failure&) {
        close();
        throw;
    }
}

Connection Connection::temporary(NowSource now)
{
    Connection connection;
    connection.m_now = std::move(now); // the empty path asks SQLite for a private temporary file
    connection.configure();
    return connection;
}

// False, and closed, when the path names another file by the time the
// first read is done: read through the log of the file that took its place,
// that read may even have failed for that alone.
bool Connection::openAndProbe()
{
    const bool readOnly = m_mode == OpenMode::ReadOnly;
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc));
        close();
        throw namedFailure(failure::CannotOpenDatabase, m_path, message);
    }
    try {
        sqlite3_extended_result_codes(m_db, 1);
        // A mistyped "name" must fail rather than turn into a string.
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);

        // SQLite reads the file lazily; read the schema now so a foreign or
        // damaged file fails here, naming the file.
        const int probe = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
        if (fileHasMoved()) {
            close();
            return false;
        }
        if (probe != SQLITE_OK) {
            const int primary = probe & 0xff;
            if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT || primary == SQLITE_CANTOPEN)
                throw namedFailure(
                    failure::CannotOpenDatabase, m_path, QString::fromUtf8(sqlite3_errmsg(m_db)));
            throw sqliteFailure(m_db, probe);
        }
    } catch (const Failure&) {
        close();
        throw;
    }
    return true;
}

void Connection::execute(const QString& sql)
{
    Statement statement(*this, sql);
    while (statement.step()) { }
}

bool Connection::fileHasMoved() const
{
    int moved = 0;
    return sqlite3_file_control(m_db, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

void Connection::abandonMovedFile()
{
    if (!m_db)
        return;
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    m_db = nullptr;
}

void Connection::interrupt() const
{
    if (m_db)
        sqlite3_interrupt(m_db);
}

long long Connection::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Connection::changes() const
{
    return sqlite3_changes(m_db);
}

bool Connection::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

} // namespace corvane::platform::db
