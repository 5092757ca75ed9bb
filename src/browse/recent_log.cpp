#include "browse/recent_log.h"

#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/grid/grid.h"

namespace corvane {

void loadRecentLog(
    const platform::db::DatabaseEngine& engine, const QString& databasePath, platform::Grid& grid)
{
    const platform::db::Connection connection = engine.open(databasePath);
    const platform::db::ResultSet result(connection, QString::fromLatin1(RecentLogQuery));
    grid.setContents(result.columnNames(), result.displayRows());
}

} // namespace corvane
