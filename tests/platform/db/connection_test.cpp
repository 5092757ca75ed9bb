#include "db_test_support.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "scratch_database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <sqlite3.h>

using namespace corvane::platform;
using namespace corvane::platform::db;
using corvane::platform::db::testing::failureNumber;
using corvane::platform::db::testing::ScratchDatabase;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// SQLite's own SQL: PRAGMAs and functions the dialect does not have.
Value single(const Connection& connection, const QString& sql)
{
    const ResultSet result = ResultSet::fromSqlite(connection, SqliteQuery{sql, 0});
    return result.value(0);
}

struct OpenCase {
    const char* name;
    std::function<QString(const ScratchDatabase&)> prepare; // returns the path to open
    OpenMode mode;
    int number;
    const char* wording; // must appear in the description
};

TEST(Connection, OpenRefusesWhatIsNoUsableDatabase)
{
    const OpenCase cases[] = {
        { "missing file", [](const ScratchDatabase& s) { return s.file("absent.mdb"); }, OpenMode::ReadWrite,
            3024, "Could not find file '" },
        { "missing file read-only", [](const ScratchDatabase& s) { return s.file("absent.mdb"); },
            OpenMode::ReadOnly, 3024, "Could not find file '" },
        { "missing folder", [](const ScratchDatabase& s) { return s.file("nowhere/syslog97.mdb"); },
            OpenMode::ReadWrite, 3044, "is not a valid path" },
        { "empty file",
            [](const ScratchDatabase& s) {
                writeFile(s.file("empty.mdb"), {});
                return s.file("empty.mdb");
            },
            OpenMode::ReadWrite, 3049, "Cannot open database '" },
        { "short text file",
            [](const ScratchDatabase& s) {
                writeFile(s.file("text.mdb"), "not a database\r\n");
                return s.file("text.mdb");
            },
            OpenMode::ReadWrite, 3049, "file is not a database" },
        { "log lines",
            [](const ScratchDatabase& s) {
                QFile::copy(QStringLiteral(CORVANE_SHARED_DIR "/samples/netscreen.txt"), s.file("lines.mdb"));
                return s.file("lines.mdb");
            },
            OpenMode::ReadOnly, 3049, "Cannot open database '" },
        { "folder",
            [](const ScratchDatabase& s) {
                QDir().mkdir(s.file("folder.mdb"));
                return s.file("folder.mdb");
            },
            OpenMode::ReadWrite, 3049, "folder" },
        { "write-protected file",
            [](const ScratchDatabase& s) {
                QFile::setPermissions(s.path(), QFile::ReadOwner | QFile::ReadUser);
                return s.path();
            },
            OpenMode::ReadWrite, 3027, "read-only" },
    };
    for (const OpenCase& c : cases) {
        ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
        const QString path = c.prepare(scratch);
        const bool existedBefore = QFileInfo::exists(path);
        const qint64 sizeBefore = QFileInfo(path).size();
        QString description;
        EXPECT_EQ(failureNumber([&] { Connection connection(path, c.mode); }, &description), c.number)
            << c.name;
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.wording)))
            << c.name << ": " << qPrintable(description);
        if (c.number != 3044) {
            EXPECT_TRUE(description.contains(path)) << c.name << ": the message names the file";
        }
        // Nothing is created or written by a refused open.
        EXPECT_EQ(QFileInfo(path).size(), sizeBefore) << c.name;
        EXPECT_EQ(QFileInfo::exists(path), existedBefore) << c.name;
    }
}

TEST(Connection, WriteProtectedFileStillOpensForReading)
{
    ScratchDatabase scratch(
        { QStringLiteral("CREATE TABLE t(x)"), QStringLiteral("INSERT INTO t VALUES (7)") });
    QFile::setPermissions(scratch.path(), QFile::ReadOwner | QFile::ReadUser);
    Connection reader(scratch.path(), OpenMode::ReadOnly);
    EXPECT_EQ(single(reader, QStringLiteral("SELECT x FROM t")), Value(7));
    EXPECT_EQ(failureNumber([&] { reader.execute(QStringLiteral("INSERT INTO t VALUES (8)")); }), 3027);
}

TEST(Connection, EverySettingIsApplied)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    for (OpenMode mode : { OpenMode::ReadWrite, OpenMode::ReadOnly }) {
        Connection connection(scratch.path(), mode);
        EXPECT_EQ(single(connection, QStringLiteral("PRAGMA journal_mode")).toText(), QStringLiteral("wal"));
        EXPECT_EQ(single(connection, QStringLiteral("PRAGMA busy_timeout")), Value(5000));
        EXPECT_EQ(single(connection, QStringLiteral("PRAGMA synchronous")), Value(1)); // NORMAL
        // A double-quoted unknown name is an error, not the string "nosuch".
        EXPECT_EQ(
            failureNumber([&] { ResultSet::fromSqlite(connection, SqliteQuery{QStringLiteral("SELECT \"nosuch\" FROM t"), 0}); }), 3061);
        // Extended codes reach the caller: a constraint names its kind.
        if (mode == OpenMode::ReadWrite) {
            connection.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS u(x UNIQUE)"));
            connection.execute(QStringLiteral("INSERT INTO u VALUES (1)"));
            QString description;
            failureNumber(
                [&] { connection.execute(QStringLiteral("INSERT INTO u VALUES (1)")); }, &description);
            EXPECT_TRUE(description.contains(QStringLiteral("UNIQUE"))) << qPrintable(description);
        }
    }
}

TEST(Connection, CreateNewMakesAFileButNeverOverwrites)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE keep(x)") });
    const QByteArray before = [&] {
        QFile file(scratch.path());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    EXPECT_EQ(failureNumber([&] { Connection::createNew(scratch.path()); }), 3204);
    QFile file(scratch.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(failureNumber([&] { Connection::createNew(scratch.file("no/such/folder.mdb")); }), 3044);

    const QString fresh = scratch.file("fresh.mdb");
    {
        Connection created = Connection::createNew(fresh);
    }
    EXPECT_GT(QFileInfo(fresh).size(), 0); // a real database now, which open accepts
    Connection reopened(fresh);
    EXPECT_EQ(single(reopened, QStringLiteral("PRAGMA journal_mode")).toText(), QStringLiteral("wal"));
}

TEST(Connection, StatementTextHoldsExactlyOneStatement)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    Connection connection = scratch.open();
    struct Case {
        const char* sql;
        int number; // -1: accepted
    };
    const Case cases[] = {
        { "SELECT 1", -1 },
        { "SELECT 1;", -1 },
        { "SELECT 1 ;  \r\n\t", -1 },
        { "SELECT 1; SELECT 2", 3142 },
        { "SELECT 1;;", 3142 },
        { "SELECT 1; DELETE FROM t", 3142 },
        { "SELECT 1; -- note", 3142 },
        { "", 3129 },
        { "   ", 3129 },
        { "SELEC 1", 3075 },
        { "SELECT * FROM nosuch", 3078 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureNumber([&] { Statement(connection, QString::fromUtf8(c.sql)); }), c.number) << c.sql;
}

TEST(Connection, TransactionRollsBackUnlessCommitted)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    Connection connection = scratch.open();
    {
        Transaction transaction(connection);
        connection.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    }
    {
        Transaction transaction(connection, Transaction::Kind::Immediate);
        connection.execute(QStringLiteral("INSERT INTO t VALUES (2)"));
        transaction.commit();
    }
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(
        single(connection, QStringLiteral("SELECT group_concat(x) FROM t")).toText(), QStringLiteral("2"));
}

TEST(Connection, SqliteCodesBecomeJetNumbersAndKeepTheMessage)
{
    struct Case {
        int code;
        const char* message;
        int number;
        const char* wording;
    };
    const Case cases[] = {
        { SQLITE_BUSY, "database is locked", 3218, "currently locked" },
        { SQLITE_LOCKED_SHAREDCACHE, "database table is locked", 3218, "currently locked" },
        { SQLITE_FULL, "database or disk is full", 3035, "System resource exceeded" },
        { SQLITE_IOERR_WRITE, "disk I/O error", 3146, "disk I/O error" },
        { SQLITE_READONLY_DBMOVED, "attempt to write a readonly database", 3027, "read-only" },
        { SQLITE_NOTADB, "file is not a database", 3049, "Cannot open database" },
        { SQLITE_ERROR, "no such column: [src zon=]", 3061, "unknown name: [src zon=]" },
        { SQLITE_ERROR, "no such table: sys", 3078, "'sys'" },
        { SQLITE_ERROR, "near \"FORM\": syntax error", 3075, "Syntax error" },
        { SQLITE_CONSTRAINT_NOTNULL, "NOT NULL constraint failed: t.x", 3146, "NOT NULL" },
    };
    for (const Case& c : cases) {
        const Failure failure = sqliteFailure(c.code, QString::fromUtf8(c.message));
        EXPECT_EQ(failure.number(), c.number) << c.message;
        EXPECT_TRUE(failure.description().contains(QString::fromUtf8(c.wording)))
            << qPrintable(failure.description());
        EXPECT_TRUE(failure.description().contains(QString::fromUtf8(c.message))) << c.message;
    }
}

TEST(Connection, EngineOpensByPath)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    const DatabaseEngine engine;
    EXPECT_GE(sqlite3_libversion_number(), DatabaseEngine::MinimumVersionNumber);
    Connection a = engine.open(scratch.path());
    Connection b = engine.open(scratch.path(), OpenMode::ReadOnly);
    a.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    EXPECT_EQ(single(b, QStringLiteral("SELECT count(*) FROM t")), Value(1));
    EXPECT_EQ(failureNumber([&] { engine.open(scratch.file("gone.mdb")); }), 3024);
}

} // namespace
