// A burst of NetScreen-like datagrams sent to loopback as fast as one thread
// can: how many reach the handler on the owner's thread, in order, and how
// fast. Usage: bench_udp_receive [COUNT] [--blocked MS]; with --blocked the
// owner's thread sleeps that long after the burst starts, as during a long
// report, so the FIFO has to hold the burst.
#include "platform/udp/udp_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QByteArray Head
    = QByteArrayLiteral("<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
                        "start_time=\"2009-01-22 15:13:46\" duration=");
const QByteArray Tail = QByteArrayLiteral(
    " policy_id=11 service=http proto=6 src zone=Untrust dst zone=Trust action=Permit sent=178 rcvd=84 "
    "src=115.89.244.226 dst=210.99.50.44 src_port=43826 dst_port=80 session_id=31245 reason=Close - TCP FIN");

QByteArray line(int sequence)
{
    return Head + QByteArray::number(sequence).rightJustified(8, '0') + Tail;
}

double sendBurst(int port, int count, std::atomic<bool>& started)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray datagram = line(0);
    QElapsedTimer timer;
    timer.start();
    started = true;
    for (int i = 0; i < count; ++i) {
        datagram.replace(Head.size(), 8, QByteArray::number(i).rightJustified(8, '0'));
        ::sendto(fd, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    ::close(fd);
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int count = 200000;
    int blockedMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--blocked" && i + 1 < argc)
            blockedMs = QByteArray(argv[++i]).toInt();
        else
            count = QByteArray(argv[i]).toInt();
    }

    corvane::platform::UdpSocket socket;
    socket.bind(0);
    long long delivered = 0;
    long long outOfOrder = 0;
    std::size_t deepestBacklog = 0;
    quint64 overflowed = 0;
    QObject::connect(&socket, &corvane::platform::UdpSocket::dataArrival, [&] {
        const int sequence = socket.readDatagram().mid(Head.size(), 8).toInt();
        if (sequence != delivered)
            ++outOfOrder;
        ++delivered;
        if (delivered % 1024 == 0)
            deepestBacklog = std::max(deepestBacklog, socket.pendingDatagrams());
    });
    QObject::connect(&socket, &corvane::platform::UdpSocket::overflowed, [&](quint64 n) { overflowed += n; });

    std::atomic<bool> started { false };
    double sendSeconds = 0;
    QElapsedTimer timer;
    timer.start();
    std::thread sender([&] { sendSeconds = sendBurst(socket.localPort(), count, started); });
    while (!started)
        std::this_thread::yield();
    if (blockedMs > 0)
        QThread::msleep(static_cast<unsigned long>(blockedMs));
    const qint64 unblocked = timer.nsecsElapsed();

    // Bounded: stop when all arrived or nothing new came for two seconds.
    QDeadlineTimer idle(2000);
    long long seen = 0;
    qint64 lastDelivery = 0;
    while (delivered < count && !idle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (delivered != seen) {
            seen = delivered;
            lastDelivery = timer.nsecsElapsed();
            idle.setRemainingTime(2000);
        }
    }
    sender.join();
    const double seconds = static_cast<double>(lastDelivery) / 1e9;
    std::printf(
        "udp receive: burst of %d datagrams of %lld bytes, owner blocked %d ms, receive buffer %d bytes\n",
        count, static_cast<long long>(line(0).size()), blockedMs, socket.receiveBufferSize());
    std::printf("  sent in %.3f s (%.0f datagrams/s offered)\n", sendSeconds, count / sendSeconds);
    std::printf("  delivered to the handler: %lld, lost: %lld, out of order: %lld, overflow reports: %llu\n",
        delivered, count - delivered, outOfOrder, static_cast<unsigned long long>(overflowed));
    std::printf("  %.0f datagrams/s delivered (burst start to last delivery), deepest backlog seen %zu\n",
        static_cast<double>(delivered) / seconds, deepestBacklog);
    if (blockedMs > 0)
        std::printf("  %.0f datagrams/s delivered once the owner's thread was free again\n",
            static_cast<double>(delivered) / (static_cast<double>(lastDelivery - unblocked) / 1e9));
    std::printf("  goal: zero loss for a 200,000 burst, well over 100,000 datagrams/s\n");
    return delivered == count && outOfOrder == 0 ? 0 : 1;
}
