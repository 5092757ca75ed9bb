#pragma once

#include "platform/grid/row_store.h"

#include <QString>
#include <QStringList>
#include <atomic>

namespace corvane {

class BackgroundTask;

namespace platform::db {
class DatabaseEngine;
}

// What a report's query read, ready for the preview's grid.
struct ReportRows {
    // A screenful to show while the rest is read.
    static constexpr std::size_t FirstRows = 1000;

    QStringList headings;
    platform::RowStore rows;
    // The first rows alone, handed over once firstRowsReady is set (or the
    // query has ended); the reading thread no longer touches them then.
    platform::RowStore firstRows;
    std::atomic<bool> firstRowsReady { false };
};

// Reads every row of a report's query into rows, as the preview shows it, on
// a connection of its own that may only read. Meant for the task's thread:
// counts the rows as it goes, and a cancel interrupts the query.
void readReportRows(const platform::db::DatabaseEngine& engine, const QString& databasePath,
    const QString& query, BackgroundTask& task, ReportRows& rows);

} // namespace corvane
