#include "db_test_support.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/table_columns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <sqlite3.h>

using namespace corvane::platform;
using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

// Whatever reads "now" (the frozen clock functions, a date without a year in
// a query, in a function and on the write path) reads the engine's source.
TEST(Connection, TimeComesFromTheEnginesNowSource)
{
    const QDateTime fixed(QDate(2031, 3, 4), QTime(5, 6, 7));
    ScratchDatabase scratch(
        { QStringLiteral("CREATE TABLE t(d DATETEXT)"), QStringLiteral("INSERT INTO t VALUES (NULL)") });
    const Connection connection = DatabaseEngine([fixed] { return fixed; }).open(scratch.path());
    const struct {
        const char* text;
        bool stored; // written into the date column rather than selected
        const char* expected;
    } cases[] = { { "Now()", false, "2031-03-04 05:06:07" }, { "Date()", false, "2031-03-04 00:00:00" },
        { "Time()", false, "1899-12-30 05:06:07" }, { "#3/9#", false, "2031-03-09 00:00:00" },
        { "CDate('3/9 1:02 PM')", false, "2031-03-09 13:02:00" }, { "Year(d & '3/9')", false, "2031" },
        { "3/9", true, "2031-03-09 00:00:00" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        const Value got = c.stored
            ? TableColumns(connection, QStringLiteral("t")).toStored(0, Value(text))
            : ResultSet(connection, QStringLiteral("SELECT %1 FROM t").arg(text)).value(0);
        EXPECT_EQ(got.toText(), QString::fromUtf8(c.expected));
    }
}

TEST(Connection, OpenRefusesWhatIsNoUsableDatabaseAndCreatesNothing)
{
    const auto write = [](const QByteArray& bytes) {
        return [bytes](const QString& path) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
    };
    struct Case {
        const char* file;
        std::function<void(const QString&)> make; // empty: the file is missing
        OpenMode mode;
        int number;
        const char* wording;
    };
    const Case cases[] = {
        { "absent.mdb", {}, OpenMode::ReadWrite, 3024, "Could not find file '" },
        { "absent.mdb", {}, OpenMode::ReadOnly, 3024, "Could not find file '" },
        { "nowhere/x.mdb", {}, OpenMode::ReadWrite, 3044, "is not a valid path" },
        { "empty.mdb", write({}), OpenMode::ReadWrite, 3049, "Cannot open database '" },
        { "text.mdb", write("not a database\r\n"), OpenMode::ReadWrite, 3049, "file is not a database" },
        { "folder.mdb", [](const QString& path) { QDir().mkdir(path); }, OpenMode::ReadWrite, 3049,
            "folder" },
        { "test.mdb", [](const QString& path) { QFile::setPermissions(path, QFile::ReadOwner); },
            OpenMode::ReadWrite, 3027, "read-only" },
    };
    for (const Case& c : cases) {
        ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
        const QString path = scratch.file(QString::fromUtf8(c.file));
        if (c.make)
            c.make(path);
        const bool existed = QFileInfo::exists(path);
        const qint64 size = QFileInfo(path).size();
        QString description;
        EXPECT_EQ(failureNumber([&] { Connection connection(path, c.mode); }, &description), c.number)
            << c.file;
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.wording))) << qPrintable(description);
        EXPECT_TRUE(description.contains(path)) << qPrintable(description);
        EXPECT_EQ(QFileInfo::exists(path), existed) << c.file;
        EXPECT_EQ(QFileInfo(path).size(), size) << c.file;
    }
}

TEST(Connection, EveryConnectionGetsTheSettingsQueriesRelyOn)
{
    ScratchDatabase scratch(
        { QStringLiteral("CREATE TABLE t(x)"), QStringLiteral("INSERT INTO t VALUES (7)") });
    for (OpenMode mode : { OpenMode::ReadWrite, OpenMode::ReadOnly }) {
        Connection connection = scratch.open(mode);
        EXPECT_EQ(firstValue(connection, QStringLiteral("PRAGMA busy_timeout")), Value(5000));
        // A double-quoted unknown name is an error, not the string "nosuch".
        const QString sql = QStringLiteral("SELECT \"nosuch\" FROM t");
        EXPECT_EQ(failureNumber([&] { firstValue(connection, sql); }), 3061);
    }
    // A write-protected file still opens to read, and refuses writes.
    QFile::setPermissions(scratch.path(), QFile::ReadOwner);
    Connection reader = scratch.open(OpenMode::ReadOnly);
    EXPECT_EQ(firstValue(reader, QStringLiteral("SELECT x FROM t")), Value(7));
    EXPECT_EQ(failureNumber([&] { reader.execute(QStringLiteral("INSERT INTO t VALUES (8)")); }), 3027);
}

TEST(Connection, CreateNewNeverOverwrites)
{
    ScratchDatabase scratch(
        { QStringLiteral("CREATE TABLE keep(x)"), QStringLiteral("INSERT INTO keep VALUES (1)") });
    EXPECT_EQ(failureNumber([&] { Connection::createNew(scratch.path()); }), 3204);
    EXPECT_EQ(firstValue(scratch.open(), QStringLiteral("SELECT x FROM keep")), Value(1));
    EXPECT_EQ(failureNumber([&] { Connection::createNew(scratch.file("no/such/folder.mdb")); }), 3044);
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
        // Extended codes are judged by their primary code.
        { SQLITE_LOCKED_SHAREDCACHE, "database table is locked", 3218, "currently locked" },
        { SQLITE_READONLY_DBMOVED, "attempt to write a readonly database", 3027, "read-only" },
        { SQLITE_ERROR, "no such column: [src zon=]", 3061, "unknown name: [src zon=]" },
        { SQLITE_ERROR, "no such table: sys", 3078, "'sys'" },
    };
    for (const Case& c : cases) {
        const Failure failure = sqliteFailure(c.code, QString::fromUtf8(c.message));
        EXPECT_EQ(failure.number(), c.number) << c.message;
        const QString description = failure.description();
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.wording))) << qPrintable(description);
        EXPECT_TRUE(description.contains(QString::fromUtf8(c.message))) << qPrintable(description);
    }
}

} // namespace
