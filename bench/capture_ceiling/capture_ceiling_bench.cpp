// What SQLite itself allows on this machine: the plain one-thread loop with
// the program's schema under the two capture loads, three runs each. The
// capture benchmarks run the same loop beside their own figures.
#include "capture_load.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const corvane::bench::CaptureLoad& load : corvane::bench::CaptureLoads) {
        corvane::bench::LoadResult runs[3];
        for (auto& run : runs) {
            QTemporaryDir folder;
            run = corvane::bench::runPlainLoop(folder.path(), load.count, load.rate);
        }
        const auto rate = corvane::bench::spreadOf(
            runs[0].rowsPerSecond(), runs[1].rowsPerSecond(), runs[2].rowsPerSecond());
        const auto lost = corvane::bench::spreadOf(100.0 * runs[0].lost() / load.count,
            100.0 * runs[1].lost() / load.count, 100.0 * runs[2].lost() / load.count);
        std::printf(
            "plain SQLite loop, %s: median %.0f rows/s (range %.0f-%.0f), loses %.0f %% (range %.0f-%.0f)\n",
            load.name, rate.median, rate.low, rate.high, lost.median, lost.low, lost.high);
    }
    return 0;
}
