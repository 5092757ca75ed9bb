#include "browse/recent_log.h"

#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid.h"

namespace corvane {

void loadQuery(const platform::db::DatabaseEngine& engine, const QString& databasePath, const QString& query,
    platform::db::QueryAccess access, platform::Grid& grid)
{
    const platform::db::Connection connection = engine.open(databasePath);
    const platform::db::ResultSet result(connection, query, access);
    grid.setContents(result.columnNames(), result.displayRows());
}

void loadRecentLog(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::Grid& grid)
{
    loadQuery(
        engine, databasePath, QString::fromLatin1(RecentLogQuery), platform::db::QueryAccess::Any, grid);
}

void headingClickSort(platform::Grid& grid, std::int16_t& gridSortOrder)
{
    if (grid.row() != 1)
        return;
    if (gridSortOrder == 1) {
        grid.sort(platform::SortDirection::Descending);
        gridSortOrder = 2;
    } else {
        grid.sort(platform::SortDirection::Ascending);
        gridSortOrder = 1;
    }
}

} // namespace corvane
