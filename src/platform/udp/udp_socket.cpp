#include "platform/udp/udp_socket.h"

#include "platform/failure/failure_codes.h"
#include "platform/udp/datagram_text.h"
#include "platform/udp/udp_receiver.h"

#include <QMetaObject>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::platform {

namespace {

Failure bindFailure(int error)
{
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    switch (error) {
    case EADDRINUSE:
        return failure::AddressInUse.make(reason);
    case EACCES:
    case EPERM:
        return failure::SocketPermissionDenied.make(reason);
    default:
        return failure::SocketError.make(reason);
    }
}

// A large buffer rides out bursts while the receiver thread is not
// scheduled. Linux caps SO_RCVBUF at net.core.rmem_max; SO_RCVBUFFORCE
// passes the cap when the program has the privilege.
void askForLargeBuffer(int fd)
{
    const int bytes = UdpSocket::ReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

} // namespace

UdpSocket::UdpSocket(QObject* parent)
    : QObject(parent)
{
}

UdpSocket::~UdpSocket()
{
    m_receiver.reset();
}

void UdpSocket::bind(int port)
{
    if (m_receiver)
        throw failure::SocketAlreadyBound.make();
    if (port < 0 || port > 65535)
        throw failure::SocketError.make(QStringLiteral("port %1 is outside 0 to 65535").arg(port));

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw bindFailure(errno);
    askForLargeBuffer(fd);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        throw bindFailure(error);
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    m_boundPort = ntohs(address.sin_port);

    m_queue.clear();
    m_receiver = std::make_unique<UdpReceiver>(fd, [this](std::vector<QByteArray>& batch) {
        const DatagramQueue::PushResult pushed = m_queue.push(batch);
        if (pushed.episodeDropped != 0) {
            const quint64 dropped = pushed.episodeDropped;
            QMetaObject::invokeMethod(this, [this, dropped] { emit overflowed(dropped); }, Qt::QueuedConnection);
        }
        if (pushed.wasIdle)
            scheduleDelivery();
    });
}

void UdpSocket::close()
{
    m_receiver.reset();
    m_boundPort = 0;
    m_queue.clear();
    if (const std::uint64_t dropped = m_queue.takeOpenEpisode(); dropped != 0)
        emit overflowed(dropped);
}

QString UdpSocket::readDatagram() const
{
    return datagramText(m_current);
}

void UdpSocket::scheduleDelivery()
{
    QMetaObject::invokeMethod(this, &UdpSocket::deliverOne, Qt::QueuedConnection);
}

void UdpSocket::deliverOne()
{
    // A nested event loop inside a handler must not start the next datagram;
    // the running delivery schedules it when its handler returns.
    if (m_inHandler)
        return;
    std::optional<QByteArray> datagram = m_queue.pop();
    if (!datagram)
        return;
    m_current = std::move(*datagram);
    m_inHandler = true;
    emit dataArrival();
    m_inHandler = false;
    // One datagram per event-loop turn, so input and painting get their turn.
    if (m_receiver)
        scheduleDelivery();
}

} // namespace corvane::platform
