#include "reports/report_rows.h"

#include "base/background_task.h"
#include "platform/db/file_set_cursor.h"

#include <QFileInfo>

namespace corvane {

void readReportRows(const platform::db::DatabaseEngine& engine, const platform::db::FileSet& files,
    const QString& query, BackgroundTask& task, ReportRows& rows)
{
    platform::db::FileSetCursor cursor(engine, files, query, platform::db::QueryAccess::ReadOnly);
    const BackgroundTask::CancelHook interrupt(task, [&cursor] { cursor.interrupt(); });
    cursor.onRowsGathered(
        [&rows](long long gathered) { rows.gathered.store(gathered, std::memory_order_relaxed); });
    rows.filesRead = cursor.filesRead();
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

QString filesReadNote(const QStringList& paths)
{
    constexpr qsizetype Listed = 4;
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    if (names.isEmpty())
        return {};
    if (names.size() == 1)
        return QStringLiteral("Read ") + names.front();
    const QString list = names.size() <= Listed ? names.join(QStringLiteral(", "))
                                                : names.front() + QStringLiteral(" to ") + names.back();
    return QStringLiteral("Read %1 files: %2").arg(names.size()).arg(list);
}

} // namespace corvane
