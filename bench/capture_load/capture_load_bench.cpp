// The real main window on the offscreen platform under a loopback sender,
// beside the plain SQLite loop on the same load in the same run: rows per
// second, loss, how long an input event waits while capture is saturated,
// whether the screen is exact once the load stops, and memory.
//   bench_capture_load [seconds-at-15000/s, default 60]
#include "answering_dialogs.h"
#include "app/main_window.h"
#include "base/clock.h"
#include "capture/capture_session.h"
#include "capture/capture_tab.h"
#include "capture/log_database.h"
#include "capture_load.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using corvane::bench::LoadResult;

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long peakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct WindowRun {
    LoadResult load;
    double worstWaitMs = 0;
    long peakKiB = 0;
    bool exact = false;
};

// One window per run, on a new database, capture started as a user would.
WindowRun runWindow(long long count, int rate, bool probeInput)
{
    corvane::testing::ProgramFolder folder;
    corvane::bench::AnsweringDialogs dialogs;
    corvane::SystemClock clock;
    auto* window = new corvane::MainWindow(folder.path(), dialogs, clock);
    window->show();
    window->findChild<QLineEdit*>(QStringLiteral("txtLocalHostPort"))->setText(QStringLiteral("0"));
    window->findChild<QPushButton*>(QStringLiteral("cmdCapture"))->click();
    corvane::CaptureSession& session = window->captureTab().session();
    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("SSTab1"));

    WindowRun run;
    run.load.sent = count;
    // An input event posted every 100 ms: how long it waits behind the datagrams.
    QElapsedTimer sinceStart;
    sinceStart.start();
    QTimer prober;
    QObject::connect(&prober, &QTimer::timeout, [&] {
        const qint64 posted = sinceStart.nsecsElapsed();
        QMetaObject::invokeMethod(
            tabs,
            [&, posted] {
                run.worstWaitMs = std::max(run.worstWaitMs, (sinceStart.nsecsElapsed() - posted) / 1e6);
            },
            Qt::QueuedConnection);
    });
    if (probeInput)
        prober.start(100);

    const auto start = std::chrono::steady_clock::now();
    std::thread sender(
        corvane::bench::sendLoad, session.socket().boundPort(), count, rate, corvane::bench::TrafficLine);
    QDeadlineTimer idle(3000);
    long long seen = 0;
    auto last = start;
    while (seen < count && !idle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        run.peakKiB = std::max(run.peakKiB, residentKiB());
        if (session.statistics().logged != seen) {
            seen = session.statistics().logged;
            last = std::chrono::steady_clock::now();
            idle.setRemainingTime(3000);
        }
    }
    sender.join();
    prober.stop();
    run.load.stored = seen;
    run.load.seconds = std::chrono::duration<double>(last - start).count();

    // Once the load stops, the screen shows the last datagram, counts and size.
    QDeadlineTimer settle(200);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const auto text
        = [&](const char* name) { return window->findChild<QLineEdit*>(QLatin1String(name))->text(); };
    run.exact = text("txtNoMsgs") == QString::number(seen)
        && text("txtDBsize") == corvane::databaseSizeText(window->logDatabase()->currentSize())
        && window->findChild<QPlainTextEdit*>(QStringLiteral("txtSyslogMsg"))->toPlainText()
            == QString::fromUtf8(corvane::bench::TrafficLine);
    delete window;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int sustainedSeconds = argc > 1 ? std::atoi(argv[1]) : 60;

    for (const corvane::bench::CaptureLoad& load : corvane::bench::CaptureLoads) {
        double plain[3], window[3], ratio[3];
        long long lost = 0;
        double worstWait = 0;
        long peak = 0;
        bool exact = true;
        for (int i = 0; i < 3; ++i) {
            QTemporaryDir folder;
            plain[i] = corvane::bench::runPlainLoop(folder.path(), load.count, load.rate).rowsPerSecond();
            const WindowRun run = runWindow(load.count, load.rate, load.rate > 0);
            window[i] = run.load.rowsPerSecond();
            ratio[i] = window[i] / plain[i];
            lost += run.load.lost();
            worstWait = std::max(worstWait, run.worstWaitMs);
            peak = std::max(peak, run.peakKiB);
            exact = exact && run.exact;
        }
        const auto p = corvane::bench::spreadOf(plain[0], plain[1], plain[2]);
        const auto w = corvane::bench::spreadOf(window[0], window[1], window[2]);
        const auto r = corvane::bench::spreadOf(ratio[0], ratio[1], ratio[2]);
        std::printf(
            "%s, three runs: plain SQLite loop median %.0f rows/s (%.0f-%.0f); window %.0f rows/s "
            "(%.0f-%.0f), "
            "%lld lost; ratio %.2f (%.2f-%.2f) (goal >= 0.80, zero loss); screen exact at the end: %s; peak "
            "resident %ld KiB\n",
            load.name, p.median, p.low, p.high, w.median, w.low, w.high, lost, r.median, r.low, r.high,
            exact ? "yes" : "NO", peak);
        if (load.rate > 0)
            std::printf(
                "  an input event waited at most %.1f ms while capture was saturated (goal < 50 ms)\n",
                worstWait);
    }

    const long long sustainedCount = 15000LL * sustainedSeconds;
    const long before = residentKiB();
    const WindowRun sustained = runWindow(sustainedCount, 15000, true);
    std::printf("15,000/s for %d s: %lld of %lld stored, %lld lost (goal: zero); resident %ld KiB before, "
                "peak %ld KiB "
                "(flat: nothing grows per stored row); input waited at most %.1f ms\n",
        sustainedSeconds, sustained.load.stored, sustainedCount, sustained.load.lost(), before,
        sustained.peakKiB, sustained.worstWaitMs);
    std::printf("peak memory of the whole run: %ld KiB\n", peakKiB());
    return 0;
}
