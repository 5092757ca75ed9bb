#include "platform/udp/udp_socket.h"

#include "platform/failure/failure_codes.h"
#include "platform/udp/datagram_text.h"
#include "platform/udp/udp_receiver.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace corvane::platform {

namespace {

Failure socketFailure(int error, int port)
{
    const QString where = QStringLiteral("UDP port %1").arg(port);
    switch (error) {
    case EADDRINUSE:
        return failure::AddressInUse.make(where);
    case EACCES:
    case EPERM:
        return failure::SocketPermissionDenied.make(where);
    case ENOBUFS:
    case ENOMEM:
        return failure::ReceiveQueueOverflow.make(where);
    default:
        return failure::SocketSystemError.make(
            QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(", ") + where);
    }
}

// A large buffer rides out bursts while the receiver thread is not scheduled.
// Linux caps SO_RCVBUF at net.core.rmem_max (often 208 KiB); SO_RCVBUFFORCE
// passes the cap when the program holds CAP_NET_ADMIN. Returns what was granted.
int askForLargeBuffer(int fd, int bytes)
{
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    int granted = 0;
    socklen_t length = sizeof granted;
    ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    return granted;
}

// Long enough to take the cost of an event-loop turn off every datagram,
// short enough that a click waits for no more than a few of them.
constexpr qint64 TurnBudgetNs = 4'000'000;

} // namespace

UdpSocket::UdpSocket(QObject* parent, std::size_t queueCapacity, int receiveBufferBytes)
    : QObject(parent)
    , m_receiveBufferWanted(receiveBufferBytes)
    , m_queue(queueCapacity)
{
}

// The receiver goes first: its thread calls into this object.
UdpSocket::~UdpSocket()
{
    m_receiver.reset();
}

void UdpSocket::bind(int port)
{
    bind(QStringLiteral("0.0.0.0"), port);
}

void UdpSocket::bind(const QString& host, int port)
{
    if (m_receiver)
        throw failure::SocketAlreadyBound.make();
    if (port < 0 || port > 65535)
        throw failure::SocketError.make(QStringLiteral("UDP port %1 is outside 0 to 65535").arg(port));

    sockaddr_storage address {};
    socklen_t size = 0;
    const QByteArray literal = host.toLatin1();
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        ::inet_pton(AF_INET, literal.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof(sockaddr_in);
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
               ::inet_pton(AF_INET6, literal.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof(sockaddr_in6);
    } else {
        throw failure::SocketError.make(QStringLiteral("%1 is not an IPv4 or IPv6 address").arg(host));
    }

    // No SO_REUSEADDR: a port another socket holds must be refused.
    const int fd = ::socket(address.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw socketFailure(errno, port);
    if (address.ss_family == AF_INET6) {
        const int both = 0; // "::" takes IPv4 datagrams as well
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &both, sizeof both);
    }
    const int granted = askForLargeBuffer(fd, m_receiveBufferWanted);

    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        ::close(fd);
        throw socketFailure(error, port);
    }

    // A drain still under way goes on in the same turn of delivery: its
    // datagrams come first.
    m_draining = false;
    m_kernelDrops = 0;
    const std::uint64_t generation = m_generation;
    m_receiver = std::make_unique<UdpReceiver>(
        fd,
        [this, generation](std::vector<QByteArray>& batch) {
            if (m_queue.push(batch))
                scheduleDelivery(generation);
        },
        m_kernelDrops);
    m_localPort
        = ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port
                                              : reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    m_receiveBuffer = granted;
}

std::size_t UdpSocket::close()
{
    m_receiver.reset();
    m_draining = false;
    m_paused = false;
    m_held = false;
    ++m_generation;
    m_deferred = false;
    const DatagramQueue::Cleared cleared = m_queue.clear();
    // Drops of an episode cut short are still datagrams lost: say so once.
    if (cleared.dropped != 0)
        emit overflowed(cleared.dropped);
    return cleared.datagrams;
}

void UdpSocket::stopReceiving()
{
    if (!m_receiver)
        return;
    m_receiver->stopAfterDraining();
    m_receiver.reset();
    m_draining = true;
    // A paused drain ends only after the pause, even with nothing left.
    if (m_queue.size() == 0 && !m_paused)
        close();
    else
        scheduleDelivery(m_generation);
}

void UdpSocket::setDeliveryPaused(bool paused)
{
    m_paused = paused;
    if (!paused && std::exchange(m_held, false))
        scheduleDelivery(m_generation);
}

QString UdpSocket::readDatagram() const
{
    return datagramText(m_current);
}

// Safe from the receiver thread: the call is queued to the owner's thread.
void UdpSocket::scheduleDelivery(std::uint64_t generation)
{
    QMetaObject::invokeMethod(
        this, [this, generation] { deliverSome(generation); }, Qt::QueuedConnection);
}

void UdpSocket::deliverSome(std::uint64_t generation)
{
    if (generation != m_generation)
        return; // posted before a close
    if (m_inHandler) {
        // A nested event loop inside a handler: the running delivery goes on
        // when its handler returns.
        m_deferred = true;
        return;
    }
    // As many as fit in a few milliseconds, one handler at a time, then the
    // event loop's turn, so input and painting keep up under a burst.
    QElapsedTimer turn;
    turn.start();
    while (generation == m_generation && !m_paused && turn.nsecsElapsed() < TurnBudgetNs) {
        std::optional<DatagramQueue::Item> item = m_queue.take();
        if (!item) {
            if (m_draining)
                close();
            return; // idle; the receiver starts delivery again with the next datagram
        }
        m_inHandler = true;
        if (item->dropped != 0) {
            emit overflowed(item->dropped);
        } else {
            m_current = std::move(item->datagram);
            emit dataArrival();
        }
        m_inHandler = false;
    }

    // After a close inside a handler this delivery's chain ends; a new
    // binding's chain goes on, and is restarted here if a handler's nested
    // loop swallowed its first turn. A pause keeps the chain for its end.
    if (generation != m_generation && !m_deferred)
        return;
    m_deferred = false;
    if (m_paused)
        m_held = true;
    else
        scheduleDelivery(m_generation);
}

} // namespace corvane::platform
