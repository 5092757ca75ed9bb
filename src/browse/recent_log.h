#pragma once

#include "platform/grid/grid.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace corvane {

namespace platform {
namespace db {
class DatabaseEngine;
enum class QueryAccess;
} // namespace db
} // namespace platform

// The newest 500 log rows, newest first.
inline constexpr const char* RecentLogQuery = "SELECT TOP 500 * FROM syslog ORDER BY [logno] desc";

// Opens a connection of its own, runs the query and puts its column names
// and the display text of its rows into the grid, replacing what it held;
// the connection is closed again. The grid is left as it was on a failure.
void loadQuery(const platform::db::DatabaseEngine& engine, const QString& databasePath, const QString& query,
    platform::db::QueryAccess access, platform::Grid& grid);
// Opens a connection of its own, runs the recent-log query and puts its
// rows into the grid, replacing what it held; the connection is closed again.
void loadRecentLog(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::Grid& grid);

// The heading-click sort both grids share: only a click whose current row is
// the first data row sorts; the direction alternates through gridSortOrder
// (1: descending next, anything else: ascending next).
void headingClickSort(platform::Grid& grid, std::int16_t& gridSortOrder);
// The rule without the sort: the direction a click sorts in (and the shared
// order flipped), or nothing when the click sorts nothing.
std::optional<platform::SortDirection> headingClickDirection(
    const platform::Grid& grid, std::int16_t& gridSortOrder);

} // namespace corvane
