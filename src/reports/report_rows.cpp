#include "reports/report_rows.h"

#include "base/background_task.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/query_cursor.h"

namespace corvane {

ReportRows readReportRows(const platform::db::DatabaseEngine& engine, const QString& databasePath,
    const QString& query, BackgroundTask& task)
{
    const platform::db::Connection connection = engine.open(databasePath, platform::db::OpenMode::ReadOnly);
    const BackgroundTask::CancelHook interrupt(task, [&connection] { connection.interrupt(); });
    platform::db::QueryCursor cursor(connection, query, platform::db::QueryAccess::ReadOnly);
    ReportRows result { cursor.columnNames(), platform::RowStore(cursor.columnCount()) };
    std::vector<platform::db::Value> row;
    QStringList cells;
    long long count = 0;
    while (!task.isCancelled() && cursor.next(row)) {
        cells.clear();
        for (const platform::db::Value& value : row)
            cells.append(value.displayText());
        result.rows.append(cells);
        task.setDone(++count);
    }
    return result;
}

} // namespace corvane
