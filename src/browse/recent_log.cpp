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

std::optional<platform::SortDirection> headingClickDirection(
    const platform::Grid& grid, std::int16_t& gridSortOrder)
{
    if (grid.row() != 1)
        return std::nullopt;
    if (gridSortOrder == 1) {
        gridSortOrder = 2;
        return platform::SortDirection::Descending;
    }
    gridSortOrder = 1;
    return platform::SortDirection::Ascending;
}

void headingClickSort(platform::Grid& grid, std::int16_t& gridSortOrder)
{
    if (const auto direction = headingClickDirection(grid, gridSortOrder))
        grid.sort(*direction);
}

} // namespace corvane
