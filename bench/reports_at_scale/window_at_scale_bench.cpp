// The windows at the scale of a month, offscreen: each chart source built by
// the chart window on the month file (one day of it, 250,000 rows, in the
// 24-hour window) and on a full file (1.95 GB, the chart tables filled); the
// main window starting on the full file; the Denied Traffic listing over the
// month read into the preview. Three runs of each, with plain SQLite running
// the same translated SQL on the same file as the reference.
#include "analysis/analysis_window.h"
#include "analysis/chart_control.h"
#include "analysis/chart_queries.h"
#include "answering_dialogs.h"
#include "app/main_window.h"
#include "base/archive_files.h"
#include "base/clock.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "loop_watch.h"
#include "platform/db/connection.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"
#include "platform/grid/grid_widget.h"
#include "program_folder.h"
#include "reports/report_catalogue.h"
#include "reports/report_preview.h"
#include "scale_support.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <vector>

using namespace corvane;
namespace db = platform::db;

namespace {

using Figures = std::array<double, 3>;

QString text(const Figures& figures, const char* unit, int decimals = 0)
{
    const bench::Timing t = bench::spread(figures);
    return QStringLiteral("%1 %2 (range %3-%4)")
        .arg(t.median, 0, 'f', decimals)
        .arg(QLatin1String(unit))
        .arg(t.low, 0, 'f', decimals)
        .arg(t.high, 0, 'f', decimals);
}

double median(const Figures& figures)
{
    return bench::spread(figures).median;
}

double msSince(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Bytes this process has read through system calls, the database's pages
// among them (SQLite reads with pread unless told to map the file).
long long bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return 0;
}

// The first column of each row of the translated query, as numbers.
std::vector<double> plainColumn(const db::Connection& connection, const QString& jet, int column = 0)
{
    const db::SqliteQuery query = db::toSqliteQuery(connection, jet);
    db::Statement statement(connection, query.sql);
    std::vector<double> values;
    while (statement.step())
        values.push_back(statement.column(column).isNull() ? 0.0 : statement.column(column).toDouble());
    return values;
}

// What the chart source charts, through plain SQLite on one connection.
std::vector<double> plainChart(const QString& path, int position, const QDateTime& now)
{
    const db::Connection connection(path, db::OpenMode::ReadOnly);
    std::vector<double> values;
    if (position == ZoneTrafficSource)
        return plainColumn(connection, zoneTrafficQuery(dayBefore(now), now), 1);
    if (position == StatusCountSource) {
        const db::SqliteQuery types = db::toSqliteQuery(connection, statusTypeQuery());
        db::Statement statement(connection, types.sql);
        while (statement.step())
            values.push_back(plainColumn(connection, statusCountQuery(statement.column(0).toText())).at(0));
        return values;
    }
    for (const ChartMonth& month : monthsEndingIn(now.date(), QLocale()))
        values.push_back(plainColumn(
            connection, position == MonthlyPaymentSource ? paymentMonthQuery(month) : signInMonthQuery(month))
                             .at(0));
    return values;
}

void charts(const char* file, const QString& path, const FixedClock& clock)
{
    const testing::ProgramFolder errors;
    bench::AnsweringDialogs dialogs;
    auto state = std::make_shared<SharedState>(errors.path());
    state->databasePath = path;
    auto logger = std::make_shared<const ErrorLogger>(errors.path(), dialogs);
    AnalysisWindow window(state, logger, clock, dialogs);
    window.show();
    bench::runUntil([&] { return !window.isBuilding(); });
    auto* list = window.findChild<QComboBox*>(QStringLiteral("cboCharts"));
    for (int position = 0; position < ChartSourceCount; ++position) {
        Figures build {};
        Figures stall {};
        Figures plain {};
        std::vector<double> plainValues;
        for (std::size_t run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            plainValues = plainChart(path, position, clock.now());
            plain[run] = msSince(timer) / 1000;
            // Another source between runs, so each run really builds.
            list->setCurrentIndex(position == 0 ? 1 : 0);
            window.cboCharts_Click();
            bench::runUntil([&] { return !window.isBuilding(); });
            list->setCurrentIndex(position);
            timer.restart();
            window.cboCharts_Click();
            const bench::LoopWatch watch = bench::runUntil([&] { return !window.isBuilding(); });
            build[run] = msSince(timer) / 1000;
            stall[run] = watch.longestMs;
        }
        std::vector<double> charted;
        for (const ChartRow& row : window.chart().data())
            charted.push_back(row.number());
        std::printf("  %s, %-36s %s, plain SQLite %s, %.1f times plain (goal <= 1 s);\n"
                    "      longest event-loop wait %s (goal <= 100); %zu categories, %s\n",
            file, qPrintable(QStringLiteral("\"%1\":").arg(list->itemText(position))),
            qPrintable(text(build, "s", 2)), qPrintable(text(plain, "s", 2)), median(build) / median(plain),
            qPrintable(text(stall, "ms")), charted.size(),
            charted == plainValues ? "the same as plain SQLite" : "DIFFERENT FROM PLAIN SQLITE");
        std::fflush(stdout);
    }
    if (!dialogs.titles().isEmpty())
        std::printf("  %lld boxes shown\n", static_cast<long long>(dialogs.titles().size()));
}

// Notes when a window's first paint reaches any of its widgets.
class FirstPaint final : public QObject {
public:
    FirstPaint(const QWidget* window, const QElapsedTimer& since)
        : m_window(window)
        , m_since(since)
    {
        qApp->installEventFilter(this);
    }
    ~FirstPaint() override { qApp->removeEventFilter(this); }
    FirstPaint(const FirstPaint&) = delete;
    FirstPaint& operator=(const FirstPaint&) = delete;

    double ms = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (ms < 0 && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->window() == m_window)
            ms = msSince(m_since);
        return false;
    }

private:
    const QWidget* m_window;
    const QElapsedTimer& m_since;
};

// Drops the file's pages from the system's cache, as after a reboot: only
// this file, so other programs on the machine keep theirs.
void dropFromCache(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The main window on the full file, from construction: constructed, first
// painted, the event loop's first turn after show(), and the longest wait in
// the second after; against plain SQLite counting every row.
void startUp(const QString& folder, bool cold)
{
    const QString path = SharedState::databasePathIn(folder);
    Figures constructed {};
    Figures painted {};
    Figures answered {};
    Figures stall {};
    Figures megabytes {};
    Figures counted {};
    Figures countedMegabytes {};
    bench::AnsweringDialogs dialogs;
    const SystemClock clock;
    for (std::size_t run = 0; run < 3; ++run) {
        if (cold)
            dropFromCache(path);
        long long before = bytesRead();
        QElapsedTimer timer;
        timer.start();
        {
            const db::Connection plain(path, db::OpenMode::ReadOnly);
            db::Statement count(plain, QStringLiteral("SELECT count(*) FROM syslog"));
            count.step();
        }
        counted[run] = msSince(timer) / 1000;
        countedMegabytes[run] = static_cast<double>(bytesRead() - before) / 1e6;

        if (cold)
            dropFromCache(path);
        before = bytesRead();
        timer.restart();
        auto* window = new MainWindow(folder, dialogs, clock);
        constructed[run] = msSince(timer);
        const FirstPaint paint(window, timer);
        bool turned = false;
        window->show();
        QTimer::singleShot(0, [&] {
            answered[run] = msSince(timer);
            turned = true;
        });
        bench::runUntil([&] { return turned && paint.ms >= 0; });
        painted[run] = paint.ms;
        QElapsedTimer second;
        second.start();
        stall[run] = bench::runUntil([&] { return second.elapsed() >= 1000; }).longestMs;
        megabytes[run] = static_cast<double>(bytesRead() - before) / 1e6;
        delete window;
    }
    std::printf("  %s:\n",
        cold ? "cold, the file dropped from the system's cache before each run"
             : "warm, the file in the system's cache");
    std::printf(
        "    constructed (its load: the file checked, the newest rows and the report list read): %s\n",
        qPrintable(text(constructed, "ms")));
    std::printf("    first painted %s, answering (the loop's first turn after show()) %s (goal <= 1000)\n",
        qPrintable(text(painted, "ms")), qPrintable(text(answered, "ms")));
    std::printf(
        "    longest event-loop wait in the second after: %s (goal <= 100)\n", qPrintable(text(stall, "ms")));
    // Reading as much as the count means the start-up counts every row.
    std::printf("    read from files by then: %s%s\n", qPrintable(text(megabytes, "MB", 1)),
        median(megabytes) > median(countedMegabytes) / 2 ? ", AS MUCH AS COUNTING EVERY ROW" : "");
    std::printf("    plain SQLite counting every row (SELECT count(*)): %s, %s read\n",
        qPrintable(text(counted, "s", 2)), qPrintable(text(countedMegabytes, "MB")));
    if (!dialogs.titles().isEmpty())
        std::printf("    %lld boxes shown\n", static_cast<long long>(dialogs.titles().size()));
}

// A month's denied traffic through the preview, as VIEW REPORT shows it.
void deniedListing(const QString& path, const bench::MonthShape& shape)
{
    const testing::ProgramFolder errors;
    bench::AnsweringDialogs dialogs;
    SharedState state(errors.path());
    state.databasePath = path;
    const ErrorLogger logger(errors.path(), dialogs);
    QString jet;
    {
        ReportCatalogue catalogue(state.engine(), path, db::OpenMode::ReadOnly);
        catalogue.pick(QStringLiteral("Denied Traffic Between Two Dates"));
        FilterTexts texts;
        texts[0] = bench::filterDate(shape.year, shape.month, 1);
        texts[1] = bench::filterDate(shape.year, shape.month, 30, "23:59:59");
        jet = catalogue.queryFor(texts);
    }
    Figures plain {};
    Figures first {};
    Figures all {};
    Figures stall {};
    Figures perRow {};
    long long plainRows = 0;
    int rows = 0;
    for (std::size_t run = 0; run < 3; ++run) {
        {
            const db::Connection connection(path, db::OpenMode::ReadOnly);
            const db::SqliteQuery query = db::toSqliteQuery(connection, jet);
            QElapsedTimer timer;
            timer.start();
            db::Statement statement(connection, query.sql);
            long long cells = 0;
            plainRows = 0;
            while (statement.step()) {
                ++plainRows;
                for (int c = 0; c < statement.columnCount() - query.hiddenTrailingColumns; ++c)
                    cells += statement.column(c).displayText().size();
            }
            plain[run] = cells > 0 ? msSince(timer) / 1000 : 0;
        }
        QElapsedTimer timer;
        timer.start();
        ReportPreview preview(state, logger, dialogs, jet, thisFileOnly(state.databasePath));
        preview.show();
        const bench::LoopWatch shown
            = bench::runUntil([&] { return preview.grid().grid().rows() > 1 || !preview.isBusy(); });
        first[run] = msSince(timer);
        const bench::LoopWatch read = bench::runUntil([&] { return !preview.isBusy(); });
        all[run] = msSince(timer) / 1000;
        stall[run] = std::max(shown.longestMs, read.longestMs);
        rows = preview.grid().grid().rows() - 1;
        perRow[run] = static_cast<double>(preview.grid().grid().rowBytes()) / std::max(rows, 1);
    }
    std::printf("  %d rows (plain SQLite %lld)\n", rows, plainRows);
    std::printf("  first rows shown: %s (goal <= 1000)\n", qPrintable(text(first, "ms")));
    std::printf("  every row held: %s, plain SQLite %s, %.1f times plain\n", qPrintable(text(all, "s", 2)),
        qPrintable(text(plain, "s", 2)), median(all) / median(plain));
    std::printf("  longest event-loop wait: %s (goal <= 100)\n", qPrintable(text(stall, "ms")));
    std::printf("  rows held: %s a row (goal <= ~150)\n", qPrintable(text(perRow, "bytes")));
    if (!dialogs.titles().isEmpty())
        std::printf("  %lld boxes shown\n", static_cast<long long>(dialogs.titles().size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        const bench::MonthShape shape;
        const QString data = QStringLiteral(CORVANE_BENCH_DATA);
        const QString month = bench::monthFile(data, shape);
        const QString full = bench::fullFolder(data, month, shape);
        const QString fullPath = SharedState::databasePathIn(full);
        // The last full day of the month: no rows of the full file's growth in its 24 hours.
        const FixedClock clock(QDateTime(QDate(shape.year, shape.month, 29), QTime(23, 59, 59), Qt::UTC));
        std::printf("charts through the chart window, the clock at %s (month: %.2f GB, its chart tables "
                    "empty as corvane-newdb makes them; full: %.2f GB, 250,000 rows in each chart table):\n",
            qPrintable(clock.now().toString(Qt::ISODate)), static_cast<double>(QFileInfo(month).size()) / 1e9,
            static_cast<double>(QFileInfo(fullPath).size()) / 1e9);
        charts("month", month, clock);
        charts("full ", fullPath, clock);
        std::printf("start-up of the main window on the full file (%.2f GB):\n",
            static_cast<double>(QFileInfo(fullPath).size()) / 1e9);
        startUp(full, false);
        startUp(full, true);
        std::printf("Denied Traffic Between Two Dates over the month in the preview:\n");
        deniedListing(month, shape);
    } catch (const std::exception& e) { // Failure's what() holds its number and wording
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
