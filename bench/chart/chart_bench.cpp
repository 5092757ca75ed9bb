// The 24-hour zone chart built through the chart sources, with 1,000,000 log
// rows inside its window: the figure the chart window waits for.
#include "analysis/chart_builder.h"
#include "base/clock.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "program_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace corvane;
namespace db = platform::db;

namespace {

constexpr int Rows = 1'000'000;
constexpr int Runs = 7;
constexpr qint64 TimeLimitMs = 60'000; // stop early rather than run on

// Any box would be a failure report: print it, answer it, count it.
class PrintingDialogs final : public platform::Dialogs {
public:
    platform::MessageAnswer messageBox(const platform::MessageBoxRequest& request) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(request.text));
        ++boxes;
        return platform::MessageAnswer::Ok;
    }
    QString saveFile(const platform::SaveFileRequest&) override { return {}; }
    int boxes = 0;
};

// Rows spread evenly over the last 24 hours, in one transaction.
void fill(const QString& path, const QDateTime& now)
{
    db::Connection connection(path);
    db::Transaction transaction(connection);
    db::Statement insert(connection,
        QStringLiteral("INSERT INTO syslog ([src zone=], [src=], [start_time=], "
                       "[sent+rcvd]) VALUES (?1, ?2, ?3, ?4)"));
    const QString zones[] = { QStringLiteral("Trust"), QStringLiteral("Untrust"), QStringLiteral("DMZ"),
        QStringLiteral("V1-Trust"), QStringLiteral("0") };
    for (int i = 0; i < Rows; ++i) {
        const QDateTime at = now.addSecs(-static_cast<qint64>(i % 86400));
        insert.bind(1, db::Value(zones[i % 5]));
        insert.bind(2, db::Value(QStringLiteral("192.0.2.%1").arg(i % 250)));
        insert.bind(3, db::Value(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        insert.bind(4, db::Value(static_cast<double>(i % 1500)));
        insert.step();
        insert.reset();
    }
    transaction.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::ProgramFolder folder;
    // Whole seconds, so the row stamped "now" lies inside the window.
    const QDateTime now = QDateTime::currentDateTime().addMSecs(-QTime::currentTime().msec());
    FixedClock clock(now);

    QElapsedTimer timer;
    timer.start();
    fill(folder.databasePath(), now);
    std::printf("filled %d syslog rows in the last 24 hours: %.1f s\n", Rows, timer.elapsed() / 1000.0);

    PrintingDialogs dialogs;
    const ErrorLogger logger(folder.path(), dialogs);
    SharedState state(folder.path());
    state.databasePath = SharedState::databasePathIn(folder.path());
    const ChartBuilder builder(state, logger, clock);

    std::vector<double> times;
    std::size_t zones = 0;
    double charted = 0;
    QElapsedTimer total;
    total.start();
    try {
        builder.build(ZoneTrafficSource); // first run warms the file cache
        for (int run = 0; run < Runs && total.elapsed() < TimeLimitMs; ++run) {
            timer.restart();
            const ChartGrid grid = builder.build(ZoneTrafficSource);
            times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            zones = grid.size();
            charted = 0;
            for (const ChartRow& row : grid)
                charted += row.number();
        }
    } catch (const platform::Failure& failure) {
        std::fprintf(stderr, "build failed: %d %s\n", failure.number(), qPrintable(failure.description()));
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("24-hour zone chart build (source 0), %d rows in the window, %zu zones, %.0f bytes charted\n",
        Rows, zones, charted);
    std::printf("  %zu runs: min %.0f ms, median %.0f ms, max %.0f ms (goal < 1000 ms)\n", times.size(),
        times.front(), times[times.size() / 2], times.back());
    return dialogs.boxes == 0 ? 0 : 1;
}
