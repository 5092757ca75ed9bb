#pragma once

#include <QString>

namespace corvane {

namespace platform {
class Grid;
namespace db {
class DatabaseEngine;
} // namespace db
} // namespace platform

// The newest 500 log rows, newest first.
inline constexpr const char* RecentLogQuery = "SELECT TOP 500 * FROM syslog ORDER BY [logno] desc";

// Opens a connection of its own, runs the recent-log query and puts its
// rows into the grid, replacing what it held; the connection is closed again.
void loadRecentLog(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::Grid& grid);

} // namespace corvane
