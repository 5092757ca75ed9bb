// A listing the size of a month's denied traffic (1,500,000 rows by default,
// or the count given): how soon the preview shows its first rows and all of
// them, the bytes a row it holds takes, and the longest the window's event loop waits while the
// preview reads, sorts on a heading click and exports. The plain reference is
// SQLite stepping through the same translated query on the same file.
//   bench_report_preview [ROWS]
#include "answering_dialogs.h"
#include "base/archive_files.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "loop_watch.h"
#include "platform/db/connection.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"
#include "platform/grid/grid_widget.h"
#include "program_folder.h"
#include "reports/report_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace corvane;

namespace {

constexpr const char* Listing = "SELECT [start_time=], [src=], [src_port=], [dst=], [dst_port=], [service=], "
                                "[policy_id=], [action=], [sent+rcvd] FROM syslog ORDER BY [start_time=]";

void fill(const QString& databasePath, int rows)
{
    platform::db::Connection connection(databasePath);
    connection.execute(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
        "INSERT INTO syslog ([NetScreen device_id=], [start_time=], [duration=], [policy_id=], [service=], "
        "[proto=], [src zone=], [dst zone=], [action=], [sent=], [rcvd=], [src=], [dst=], [src_port=], "
        "[dst_port=], LogDate, [sent+rcvd]) "
        "SELECT 'fw' || (i % 3), strftime('%Y-%m-%d %H:%M:%S', '2026-11-01', '+' || (i * 1.7) || ' "
        "seconds'), "
        "i % 100, i % 40, 'dns', 17, 'Untrust', 'Trust', 'Deny', i % 1000, i % 777, "
        "'10.' || (i % 256) || '.' || ((i / 256) % 256) || '.1', '198.51.100.' || (i % 200), 1024 + i % "
        "60000, "
        "53, '2026-12-01 00:00:00', i % 1000 + i % 777 FROM n")
                           .arg(rows));
}

using bench::LoopWatch;
using bench::runUntil;

double plainSqliteMs(const QString& databasePath)
{
    platform::db::Connection connection(databasePath, platform::db::OpenMode::ReadOnly);
    const platform::db::SqliteQuery query
        = platform::db::toSqliteQuery(connection, QString::fromLatin1(Listing));
    QElapsedTimer timer;
    timer.start();
    platform::db::Statement statement(connection, query.sql);
    long long cells = 0;
    while (statement.step())
        for (int c = 0; c < statement.columnCount(); ++c)
            cells += statement.column(c).displayText().size();
    return cells > 0 ? timer.nsecsElapsed() / 1e6 : 0;
}

struct Run {
    double firstRowsMs;
    double allRowsMs;
    double readStallMs;
    double bytesPerRow;
    double sortMs;
    double sortStallMs;
    double exportMs;
    double exportStallMs;
    double plainMs;
};

Run runOnce(const testing::ProgramFolder& folder, int rows)
{
    const QString exportPath = folder.path() + QStringLiteral("/export.csv");
    bench::AnsweringDialogs dialogs(exportPath);
    SharedState state(folder.path());
    state.databasePath = SharedState::databasePathIn(folder.path());
    state.GridSortOrder = platform::GridSortOrder::DescendingNext;
    const ErrorLogger logger(folder.path(), dialogs);
    Run run {};
    run.plainMs = plainSqliteMs(state.databasePath);

    QElapsedTimer opened;
    opened.start();
    ReportPreview preview(
        state, logger, dialogs, QString::fromLatin1(Listing), thisFileOnly(state.databasePath));
    preview.show();
    const LoopWatch first = runUntil([&] { return preview.grid().grid().rows() > 1 || !preview.isBusy(); });
    run.firstRowsMs = opened.nsecsElapsed() / 1e6;
    const LoopWatch read = runUntil([&] { return !preview.isBusy(); });
    run.allRowsMs = opened.nsecsElapsed() / 1e6;
    run.readStallMs = std::max(first.longestMs, read.longestMs);
    run.bytesPerRow = static_cast<double>(preview.grid().grid().rowBytes()) / rows;

    emit preview.grid().horizontalHeader()->sectionClicked(1);
    const LoopWatch sort = runUntil([&] { return !preview.isBusy(); });
    run.sortMs = sort.totalMs;
    run.sortStallMs = sort.longestMs;

    preview.cmdExport_Click();
    const LoopWatch written = runUntil([&] { return !preview.isBusy(); });
    run.exportMs = written.totalMs;
    run.exportStallMs = written.longestMs;
    if (preview.grid().grid().rows() - 1 != rows)
        std::fprintf(stderr, "preview shows %d rows of %d\n", preview.grid().grid().rows() - 1, rows);
    return run;
}

template <typename Field>
void print(const char* what, const std::vector<Run>& runs, Field field, const char* goal)
{
    std::vector<double> values;
    for (const Run& run : runs)
        values.push_back(run.*field);
    std::sort(values.begin(), values.end());
    std::printf("  %-34s median %9.1f (%.1f-%.1f)  %s\n", what, values[values.size() / 2], values.front(),
        values.back(), goal);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1'500'000;
    testing::ProgramFolder folder;
    fill(folder.databasePath(), rows);
    std::vector<Run> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(runOnce(folder, rows));
    std::printf("preview of a %d-row listing, three runs:\n", rows);
    print("plain SQLite reads it, ms", runs, &Run::plainMs, "(reference)");
    print("preview shows its first rows, ms", runs, &Run::firstRowsMs, "(goal <= 1000)");
    print("preview holds every row, ms", runs, &Run::allRowsMs, "");
    print("  longest event-loop wait, ms", runs, &Run::readStallMs, "(goal <= 100)");
    print("rows held, bytes per row", runs, &Run::bytesPerRow, "(goal <= ~150)");
    print("heading-click sort, ms", runs, &Run::sortMs, "");
    print("  longest event-loop wait, ms", runs, &Run::sortStallMs, "(goal <= 100)");
    print("export of every row, ms", runs, &Run::exportMs, "");
    print("  longest event-loop wait, ms", runs, &Run::exportStallMs, "(goal <= 100)");
    std::printf("  export file: %lld bytes\n",
        static_cast<long long>(QFileInfo(folder.path() + QStringLiteral("/export.csv")).size()));
    return 0;
}
