#include "base/field_keys.h"
#include "base/new_database.h"
#include "platform/db/appending_table_view.h"
#include "platform/db/connection.h"
#include "platform/failure/failure.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>

using namespace corvane::platform::db;

namespace {

constexpr double GoalRowsPerSecond = 25000;
// The figure of the longest run, the one the library reports.
double g_rowsPerSecond = 0;
benchmark::IterationCount g_longestRun = 0;

// Each row is its own transaction, as capture stores one datagram: the
// figure is the commit rate of the real table shape in WAL mode.
void appendOneRowCommits(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("syslog97.mdb"));
    {
        Connection created = Connection::createNew(path);
        for (const QString& sql : corvane::schemaStatements())
            created.execute(sql);
    }
    Connection connection(path);
    AppendingTableView view(connection, QStringLiteral("syslog"));

    const std::array<Value, corvane::FieldKeyCount> values {
        Value(QStringLiteral("fire00")),
        Value(QStringLiteral("2006-06-02 14:55:45")),
        Value(QStringLiteral("0")),
        Value(QStringLiteral("119")),
        Value(QStringLiteral("udp/port:7001")),
        Value(QStringLiteral("17")),
        Value(QStringLiteral("Trust")),
        Value(QStringLiteral("Untrust")),
        Value(QStringLiteral("Deny")),
        Value(QStringLiteral("120")),
        Value(QStringLiteral("340")),
        Value(QStringLiteral("192.168.2.1")),
        Value(QStringLiteral("1.2.3.4")),
        Value(QStringLiteral("3036")),
        Value(QStringLiteral("7001")),
    };
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        view.addNew();
        view.setValue(QStringLiteral("LogDate"), QDateTime::currentDateTime());
        view.setValue(QStringLiteral("sent+rcvd"), Value(460.0));
        for (std::size_t k = 0; k < corvane::FieldKeys.size(); ++k)
            view.setValue(corvane::FieldKeys[k].toString(), values[k]);
        view.update();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const double rate = static_cast<double>(state.iterations()) / elapsed.count();
    if (state.iterations() >= g_longestRun) {
        g_longestRun = state.iterations();
        g_rowsPerSecond = rate;
    }
    state.counters["rows_per_s"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["table_rows"] = static_cast<double>(view.recordCount());
}

} // namespace

BENCHMARK(appendOneRowCommits)->MinTime(3.0)->UseRealTime()->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    try {
        benchmark::RunSpecifiedBenchmarks();
    } catch (const corvane::platform::Failure& failure) {
        std::fprintf(stderr, "bench_db_append: %s\n", failure.what());
        return 1;
    }
    benchmark::Shutdown();
    std::printf("db_append: %.0f one-row commits/s through AppendingTableView (goal >= %.0f rows/s): %s\n",
        g_rowsPerSecond, GoalRowsPerSecond, g_rowsPerSecond >= GoalRowsPerSecond ? "met" : "NOT met");
    return 0;
}
