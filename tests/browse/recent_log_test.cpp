#include "browse/recent_log.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/sole_access.h"
#include "platform/grid/grid.h"
#include "program_folder.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The newest 500 rows, newest first, in place of what the grid held; the
// connection goes again, so nothing holds up a rotation of the file.
TEST(RecentLog, ShowsTheNewest500NewestFirstAndLetsTheFileGo)
{
    const testing::ProgramFolder folder;
    platform::db::Connection(folder.databasePath())
        .execute(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 501) "
                           "INSERT INTO syslog ([src=]) SELECT i FROM n"));
    const platform::db::DatabaseEngine engine;
    platform::Grid grid;
    grid.setContents({ QStringLiteral("old") }, { { QStringLiteral("row") }, { QStringLiteral("row") } });
    loadRecentLog(engine, folder.databasePath(), grid);
    ASSERT_EQ(grid.rows(), 501);
    EXPECT_EQ(grid.text(0, 0), "logno");
    EXPECT_EQ(grid.text(1, 0), "501");
    EXPECT_EQ(grid.text(500, 0), "2");
    EXPECT_TRUE(platform::db::SoleAccess::tryTake(folder.databasePath()).has_value());
}

} // namespace
} // namespace corvane
