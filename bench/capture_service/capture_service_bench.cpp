// corvane-capture under the capture loads, beside the plain SQLite loop on
// the same load in the same run: rows per second, loss, and the same again
// with a reader refreshing the newest 500 rows every 100 ms.
#include "base/new_database.h"
#include "capture_load.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

using corvane::bench::LoadResult;

struct ServiceRun {
    LoadResult load;
    int readerFailures = 0;
};

// Starts the service on a new folder, sends the load, and ends it with
// SIGTERM; it stores what it received before it exits.
ServiceRun runService(long long count, int rate, bool withReader)
{
    QTemporaryDir folder;
    corvane::createNewDatabase(folder.path());
    QProcess service;
    service.setReadChannel(QProcess::StandardError);
    service.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-capture"),
        { "--folder", folder.path(), "--port", "0", "--bind", "127.0.0.1", "--status-every", "3600" });
    static const QRegularExpression startLine(QStringLiteral("capturing on \\S+ port (\\d+)"));
    QString err;
    int port = 0;
    while (port == 0 && service.waitForReadyRead(5000)) {
        err += QString::fromLocal8Bit(service.readAllStandardError());
        if (const auto match = startLine.match(err); match.hasMatch())
            port = match.captured(1).toInt();
    }
    ServiceRun run;
    run.load.sent = count;
    if (port == 0) {
        std::fprintf(stderr, "corvane-capture did not start: %s\n", err.toLocal8Bit().constData());
        return run;
    }

    std::atomic<bool> loading { true };
    std::thread reader([&] {
        if (!withReader)
            return;
        corvane::platform::db::DatabaseEngine engine;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("syslog97.mdb"));
        while (loading) {
            try {
                corvane::platform::db::ResultSet(
                    engine.open(path), QStringLiteral("SELECT TOP 500 * FROM syslog ORDER BY [logno] desc"));
            } catch (const corvane::platform::Failure& failure) {
                ++run.readerFailures;
                std::fprintf(stderr, "reader: %s\n", failure.description().toLocal8Bit().constData());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    corvane::bench::sendLoad(port, count, rate);
    service.terminate();
    // Timed to the last status line (the first is written at start), once
    // every received datagram is stored: closing the file afterwards is not
    // part of the capture.
    while (err.count(QLatin1String("received")) < 2 && service.waitForReadyRead(600000))
        err += QString::fromLocal8Bit(service.readAllStandardError());
    run.load.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    service.waitForFinished(600000);
    loading = false;
    reader.join();

    err += QString::fromLocal8Bit(service.readAllStandardError());
    static const QRegularExpression status(QStringLiteral("received \\d+, logged (\\d+)"));
    for (auto it = status.globalMatch(err); it.hasNext();)
        run.load.stored = it.next().captured(1).toLongLong();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const corvane::bench::CaptureLoad& load : corvane::bench::CaptureLoads) {
        double plain[3], service[3], ratio[3], withReader[3];
        long long lost = 0, lostWithReader = 0;
        int readerFailures = 0;
        for (int i = 0; i < 3; ++i) {
            QTemporaryDir folder;
            plain[i] = corvane::bench::runPlainLoop(folder.path(), load.count, load.rate).rowsPerSecond();
            const ServiceRun alone = runService(load.count, load.rate, false);
            const ServiceRun beside = runService(load.count, load.rate, true);
            service[i] = alone.load.rowsPerSecond();
            withReader[i] = beside.load.rowsPerSecond();
            ratio[i] = service[i] / plain[i];
            lost += alone.load.lost();
            lostWithReader += beside.load.lost();
            readerFailures += beside.readerFailures;
        }
        const auto p = corvane::bench::spreadOf(plain[0], plain[1], plain[2]);
        const auto s = corvane::bench::spreadOf(service[0], service[1], service[2]);
        const auto r = corvane::bench::spreadOf(ratio[0], ratio[1], ratio[2]);
        const auto w = corvane::bench::spreadOf(withReader[0], withReader[1], withReader[2]);
        std::printf(
            "%s, three runs: plain SQLite loop median %.0f rows/s (%.0f-%.0f); corvane-capture %.0f rows/s "
            "(%.0f-%.0f), %lld lost; ratio %.2f (%.2f-%.2f) (goal >= 0.90, zero loss)\n",
            load.name, p.median, p.low, p.high, s.median, s.low, s.high, lost, r.median, r.low, r.high);
        std::printf(
            "  with a reader refreshing 500 rows every 100 ms: %.0f rows/s (%.0f-%.0f), %lld lost, %d reader "
            "failures (goal: zero loss, no failure)\n",
            w.median, w.low, w.high, lostWithReader, readerFailures);
    }
    return 0;
}
