#include "browse/recent_log.h"

#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid.h"

namespace corvane {

void LoadRecentLog(const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::Grid& grid)
{
    const platform::db::Connection connection = engine.open(databasePath);
    const platform::db::ResultSet result(connection, QString::fromLatin1(RecentLogQuery));
    std::vector<QStringList> rows;
    rows.reserve(result.rows().size());
    for (const auto& values : result.rows()) {
        QStringList cells;
        cells.reserve(static_cast<qsizetype>(values.size()));
        for (const auto& value : values)
            cells << value.displayText();
        rows.push_back(std::move(cells));
    }
    grid.setContents(result.columnNames(), std::move(rows));
}

void HeadingClickSort(platform::Grid& grid, std::int16_t& gridSortOrder)
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
