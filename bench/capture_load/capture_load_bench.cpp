// The real main window on the offscreen platform under a loopback sender:
// stored rows per second, loss, memory, and how long a click waits.
//   bench_capture_load [seconds-at-15000/s, default 60]
#include "answering_dialogs.h"
#include "base/clock.h"
#include "app/main_window.h"
#include "capture/capture_tab.h"
#include "capture/log_database.h"
#include "loopback_sender.h"
#include "platform/dialogs/dialogs.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

const QByteArray Line = QByteArrayLiteral(
    "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
    "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
    "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
    "dst_port=80");

// Sends count datagrams at rate per second (0: as fast as possible).
void send(int port, long long count, int rate)
{
    const corvane::testing::LoopbackSender to(port);
    const auto start = std::chrono::steady_clock::now();
    for (long long i = 0; i < count; ++i) {
        if (rate > 0 && i % 100 == 0) {
            const auto due = start + std::chrono::microseconds(i * 1'000'000 / rate);
            std::this_thread::sleep_until(due);
        }
        to.send(Line);
    }
}

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

struct Run {
    long long stored = 0;
    double seconds = 0;
    double worstClickMs = 0;
    long startKiB = 0;
    long endKiB = 0;
};

Run measure(corvane::MainWindow& window, long long count, int rate, bool probeClicks)
{
    auto* logged = window.findChild<QLineEdit*>(QStringLiteral("txtNoMsgs"));
    auto* refresh = window.findChild<QPushButton*>(QStringLiteral("cmdRefreshDB"));
    const long long before = logged->text().toLongLong();
    Run run;
    run.startKiB = residentKiB();

    // A click posted every 250 ms: how long it waits behind the datagrams.
    QElapsedTimer clickClock;
    clickClock.start();
    QTimer prober;
    QObject::connect(&prober, &QTimer::timeout, [&] {
        const qint64 posted = clickClock.nsecsElapsed();
        QMetaObject::invokeMethod(
            refresh,
            [&, posted] {
                run.worstClickMs = std::max(run.worstClickMs, (clickClock.nsecsElapsed() - posted) / 1e6);
            },
            Qt::QueuedConnection);
    });
    if (probeClicks)
        prober.start(250);

    QElapsedTimer timer;
    timer.start();
    std::thread sender(send, window.captureTab().socket().boundPort(), count, rate);
    QDeadlineTimer idle(5000);
    long long seen = 0;
    while (seen < count && !idle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const long long now = logged->text().toLongLong() - before;
        if (now != seen) {
            seen = now;
            idle.setRemainingTime(5000);
        }
    }
    run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    sender.join();
    prober.stop();
    run.stored = seen;
    run.endKiB = residentKiB();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int sustainedSeconds = argc > 1 ? std::atoi(argv[1]) : 60;

    corvane::testing::ProgramFolder folder;
    corvane::bench::AnsweringDialogs dialogs;
    corvane::SystemClock clock;
    corvane::MainWindow window(folder.path(), dialogs, clock);
    window.show();
    window.findChild<QLineEdit*>(QStringLiteral("txtLocalHostPort"))->setText(QStringLiteral("0"));
    window.findChild<QPushButton*>(QStringLiteral("cmdCapture"))->click();

    const Run burst = measure(window, 200000, 0, false);
    std::printf("capture burst: %lld of 200000 stored, %lld lost, %.0f rows per second (goal: stored whole, "
                ">= 20,000/s)\n",
        burst.stored, 200000 - burst.stored, burst.stored / burst.seconds);

    const long long sustainedCount = 15000LL * sustainedSeconds;
    const Run sustained = measure(window, sustainedCount, 15000, false);
    std::printf(
        "capture at 15,000/s for %d s: %lld of %lld stored, %lld lost (goal: zero); memory %ld KiB -> "
        "%ld KiB (goal: flat)\n",
        sustainedSeconds, sustained.stored, sustainedCount, sustainedCount - sustained.stored,
        sustained.startKiB, sustained.endKiB);

    const Run clicks = measure(window, 10000LL * 10, 10000, true);
    std::printf("click while 10,000/s arrive: worst wait %.1f ms (goal < 100 ms); %lld of 100000 stored\n",
        clicks.worstClickMs, clicks.stored);
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld KiB\n", usage.ru_maxrss);
    return 0;
}
