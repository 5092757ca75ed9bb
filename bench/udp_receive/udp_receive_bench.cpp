// A burst of datagrams sent to loopback as fast as possible: how many reach
// the handler on the GUI thread, and how fast.
#include "platform/udp/udp_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = 200000;
    const QByteArray line = QByteArrayLiteral(
        "<133>ns5gt: NetScreen device_id=ns5gt  [Root]system-notification-00257(traffic): "
        "start_time=\"2009-01-22 15:13:46\" duration=25 policy_id=11 service=http proto=6 src zone=Untrust "
        "dst zone=Trust action=Permit sent=178 rcvd=84 src=115.89.244.226 dst=210.99.50.44 src_port=43826 "
        "dst_port=80");

    corvane::platform::UdpSocket socket;
    socket.bind(0);
    long long delivered = 0;
    QObject::connect(&socket, &corvane::platform::UdpSocket::dataArrival, [&] {
        delivered += socket.datagramBytes().size() > 0 ? 1 : 0;
    });

    QElapsedTimer timer;
    timer.start();
    std::thread sender([port = socket.boundPort(), &line, count] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int i = 0; i < count; ++i)
            ::sendto(fd, line.constData(), static_cast<size_t>(line.size()), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ::close(fd);
    });

    // Bounded: stop when all arrived or nothing new came for two seconds.
    QDeadlineTimer idle(2000);
    long long seen = 0;
    while (delivered < count && !idle.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (delivered != seen) {
            seen = delivered;
            idle.setRemainingTime(2000);
        }
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    sender.join();
    std::printf("udp receive: %lld of %d datagrams delivered, %lld lost, %.0f datagrams per second "
                "(goal: zero loss, well over 100,000 per second)\n",
                delivered, count, count - delivered, static_cast<double>(delivered) / seconds);
    return delivered == count ? 0 : 1;
}
