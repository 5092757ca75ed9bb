#pragma once

#include "platform/grid/row_store.h"

#include <QString>
#include <QStringList>

namespace corvane {

class BackgroundTask;

namespace platform::db {
class DatabaseEngine;
}

// What a report's query read, ready for the preview's grid.
struct ReportRows {
    QStringList headings;
    platform::RowStore rows;
};

// Reads every row of a report's query, as the preview shows it, on a
// connection of its own that may only read. Meant for the task's thread:
// counts the rows as it goes, and a cancel interrupts the query.
ReportRows readReportRows(const platform::db::DatabaseEngine& engine, const QString& databasePath,
    const QString& query, BackgroundTask& task);

} // namespace corvane
