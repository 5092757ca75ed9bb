#include "db_test_support.h"
#include "platform/db/write_ahead_log.h"

#include <QFileInfo>

using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

// Checkpointed every ten pages on a thread of its own, the log starts again
// from its head instead of growing by a page or more per commit (a hundred
// here); truncating copies every page back into the file.
TEST(WriteAheadLog, StartsAgainEveryFewPagesAndTruncatesOnRequest)
{
    ScratchDatabase db({ QStringLiteral("CREATE TABLE t (x TEXT)") });
    Connection connection = db.open();
    WriteAheadLog log(connection, 10);
    const QFileInfo logFile(db.path() + QStringLiteral("-wal"));
    for (int i = 0; i < 100; ++i) {
        connection.execute(
            QStringLiteral("INSERT INTO t VALUES ('%1')").arg(QString(1000, QLatin1Char('x'))));
        log.waitForCheckpoint(); // the commit after a checkpoint copies what was written meanwhile
    }
    const qint64 pageSize = firstValue(connection, QStringLiteral("PRAGMA page_size")).toInt64();
    EXPECT_GT(QFileInfo(logFile.filePath()).size(), 0);
    EXPECT_LT(QFileInfo(logFile.filePath()).size(), 20 * (pageSize + 24) + 32);
    log.checkpointAndTruncate();
    EXPECT_EQ(QFileInfo(logFile.filePath()).size(), 0);
    const qint64 pages = firstValue(connection, QStringLiteral("PRAGMA page_count")).toInt64();
    EXPECT_EQ(pages * pageSize, QFileInfo(db.path()).size());
}

} // namespace
