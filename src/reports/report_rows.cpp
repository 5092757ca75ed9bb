#include "reports/report_rows.h"

#include "base/background_task.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/query_cursor.h"

namespace corvane {

void readReportRows(const platform::db::DatabaseEngine& engine, const QString& databasePath,
    const QString& query, BackgroundTask& task, ReportRows& rows)
{
    const platform::db::Connection connection = engine.open(databasePath, platform::db::OpenMode::ReadOnly);
    const BackgroundTask::CancelHook interrupt(task, [&connection] { connection.interrupt(); });
    platform::db::QueryCursor cursor(connection, query, platform::db::QueryAccess::ReadOnly);
    rows.headings = cursor.columnNames();
    rows.rows = platform::RowStore(cursor.columnCount());
    rows.firstRows = platform::RowStore(cursor.columnCount());
    std::vector<platform::db::Value> row;
    QStringList cells;
    long long count = 0;
    while (!task.isCancelled() && cursor.next(row)) {
        cells.clear();
        for (const platform::db::Value& value : row)
            cells.append(value.displayText());
        rows.rows.append(cells);
        if (rows.rows.size() <= ReportRows::FirstRows) {
            rows.firstRows.append(cells);
            if (rows.rows.size() == ReportRows::FirstRows)
                rows.firstRowsReady.store(true, std::memory_order_release);
        }
        task.setDone(++count);
    }
}

} // namespace corvane
