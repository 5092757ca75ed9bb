// The capture session the window and the service run, without widgets:
// datagrams sent to loopback as fast as possible, and how fast they end up
// as stored rows.
#include "answering_dialogs.h"
#include "base/clock.h"
#include "base/error_logger.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "loopback_sender.h"
#include "platform/db/database_engine.h"
#include "platform/dialogs/dialogs.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <cstdio>
#include <thread>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 200000;
    // One datagram in a hundred lacks keys, so the missed table is written too.
    const QByteArray complete = QByteArrayLiteral(
        "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
        "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
        "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
        "dst_port=80");
    const QByteArray lacking = QByteArrayLiteral(
        "<133>nsisg1000: NetScreen device_id=0133012007000002  [Root]system-notification-00257(traffic): "
        "start_time=\"2009-01-22 15:14:10\" duration=0 policy_id=45 service=icmp proto=1 src zone=Untrust "
        "dst zone=Trust action=Deny sent=0 rcvd=0 src=58.72.190.250 dst=210.99.53.197 icmp type=8");

    corvane::testing::ProgramFolder folder;
    corvane::platform::db::DatabaseEngine engine;
    const corvane::SystemClock clock;
    // The size limit is never reached here; a box would be a fault worth seeing.
    corvane::bench::AnsweringDialogs dialogs;
    const corvane::ErrorLogger logger(folder.path(), dialogs);
    corvane::CaptureSession session(clock, logger, dialogs,
        [&] { return std::make_unique<corvane::LogDatabase>(engine, folder.databasePath()); });
    if (!session.startCapture(QStringLiteral("127.0.0.1"), QStringLiteral("2350"), QStringLiteral("0")))
        return 1;

    QElapsedTimer timer;
    timer.start();
    std::thread sender([port = session.socket().boundPort(), &complete, &lacking, count] {
        const corvane::testing::LoopbackSender to(port);
        for (int i = 0; i < count; ++i)
            to.send(i % 100 == 99 ? lacking : complete);
    });

    QDeadlineTimer idle(5000);
    long long seen = 0;
    long long stored = 0;
    while (session.statistics().logged + session.statistics().dropped < count && !idle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        stored = session.statistics().logged;
        if (stored != seen) {
            seen = stored;
            idle.setRemainingTime(5000);
        }
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    sender.join();
    std::printf("capture pipeline: %lld of %d datagrams stored in %.2f s, %lld lost, %.0f rows per second "
                "(goal >= 25,000 with zero loss)\n",
        stored, count, seconds, count - stored, static_cast<double>(stored) / seconds);
    return stored == count ? 0 : 1;
}
