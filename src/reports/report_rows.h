#pragma once

#include "platform/grid/row_store.h"

#include <QString>
#include <QStringList>
#include <atomic>

namespace corvane {

class BackgroundTask;

namespace platform::db {
class DatabaseEngine;
struct FileSet;
} // namespace platform::db

// What a report's query read, ready for the preview's grid.
struct ReportRows {
    // A screenful to show while the rest is read.
    static constexpr std::size_t FirstRows = 1000;

    QStringList headings;
    QStringList filesRead; // oldest first; set before the first row
    platform::RowStore rows;
    // The first rows alone, handed over once firstRowsReady is set (or the
    // query has ended); the reading thread no longer touches them then.
    platform::RowStore firstRows;
    std::atomic<bool> firstRowsReady { false };
    // Rows taken from the files into one before the query's first row, when
    // the query cannot read them where they lie.
    std::atomic<long long> gathered { 0 };
};

// Reads every row of a report's query over the files into rows, as the
// preview shows it, on connections of its own that may only read. Meant for
// the task's thread: counts the rows as it goes, and a cancel interrupts the
// query.
void readReportRows(const platform::db::DatabaseEngine& engine, const platform::db::FileSet& files,
    const QString& query, BackgroundTask& task, ReportRows& rows);

// What a run read, by file name for the report tab: "Read syslog97.mdb", or
// the count with the names (first and last when there are many).
QString filesReadNote(const QStringList& paths);

} // namespace corvane
