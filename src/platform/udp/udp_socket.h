#pragma once

#include "platform/udp/datagram_queue.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

namespace corvane::platform {

class UdpReceiver;

// A UDP socket for a GUI program. A receiver thread drains the system's
// buffer into a FIFO, and dataArrival() is raised on the owner's thread once
// per datagram, in arrival order, as many as fit in a few milliseconds per
// event-loop turn so the window stays responsive, and never while the handler
// of an earlier datagram is still running: a modal box inside a handler holds
// the following datagrams back until it has returned. The remote host and port are kept for the owner;
// they filter nothing, datagrams from any sender are delivered. Every datagram
// that reaches the socket is delivered, counted in kernelDrops() or
// queueDrops(), or counted by close() as discarded; only what the system
// still holds when close() stops the receiver goes uncounted.
class UdpSocket : public QObject {
    Q_OBJECT
public:
    static constexpr int ReceiveBufferBytes = 8 * 1024 * 1024;
    static constexpr std::size_t QueueCapacity = 1'000'000;

    // The capacity and the buffer size are for tests that need to see the
    // FIFO overflow and the system drop.
    explicit UdpSocket(QObject* parent = nullptr, std::size_t queueCapacity = QueueCapacity,
        int receiveBufferBytes = ReceiveBufferBytes);
    ~UdpSocket() override;

    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    void setRemoteHost(const QString& host) { m_remoteHost = host; }
    const QString& remoteHost() const { return m_remoteHost; }
    void setRemotePort(int port) { m_remotePort = port; }
    int remotePort() const { return m_remotePort; }
    void setLocalPort(int port) { m_localPort = port; }
    // After a bind, the port actually bound (the system's choice for port 0).
    int localPort() const { return m_localPort; }

    // Binds to the port on every local IPv4 address; port 0 lets the system
    // choose. Fails when already bound (the binding goes on untouched), for a
    // port outside 0..65535, and when the system refuses, naming its reason.
    // After stopReceiving() it binds again at once: what the earlier binding
    // left is delivered first.
    void bind(int port);
    // Binds to one local address: an IPv4 or IPv6 literal; "::" also takes
    // IPv4 datagrams. Fails like bind(port), and for an address that is not one.
    void bind(const QString& address, int port);
    // Stops the receiver and closes the socket. Datagrams not yet handled are
    // discarded, and counted in the result: no arrival is raised after
    // close() returns. Ends a pause.
    std::size_t close();
    // Stops receiving but goes on delivering what was received: a service
    // that ends stores what it has. Closed once the last one is delivered.
    void stopReceiving();
    // While paused nothing is raised; the receiver goes on filling the FIFO.
    // A pause set in a handler holds the datagrams after that one; delivery
    // goes on in the event-loop turn after the pause ends.
    void setDeliveryPaused(bool paused);
    bool deliveryPaused() const { return m_paused; }
    // 0 closed, 1 bound.
    int state() const { return m_receiver || m_draining ? 1 : 0; }
    // The bound port, or 0 when closed.
    int boundPort() const { return m_receiver ? m_localPort : 0; }
    // The receive buffer the system granted on the last bind, as it reports
    // it (Linux reports double the usable size).
    int receiveBufferSize() const { return m_receiveBuffer; }
    // Datagrams received and waiting for their turn.
    std::size_t pendingDatagrams() const { return m_queue.size(); }
    // Datagrams the system dropped because the receive buffer was full, since
    // the last bind; the last figure stays after a close. Drops after the
    // last datagram received are known when the receiver stops.
    quint64 kernelDrops() const { return m_kernelDrops.load(std::memory_order_relaxed); }
    // Datagrams dropped because the FIFO was full, over the socket's life.
    quint64 queueDrops() const { return m_queue.droppedTotal(); }

    // The datagram being handled, inside a dataArrival() handler (and the
    // last one handled afterwards): as text, and as the bytes received.
    QString readDatagram() const;
    const QByteArray& datagramBytes() const { return m_current; }

signals:
    void dataArrival();
    // Datagrams dropped because the FIFO was full, once per overflow episode.
    // Raised in turn with the arrivals, never inside an arrival's handler.
    void overflowed(quint64 dropped);

private:
    void scheduleDelivery(std::uint64_t generation);
    void deliverSome(std::uint64_t generation);

    QString m_remoteHost;
    int m_remotePort = 0;
    int m_localPort = 0;
    int m_receiveBuffer = 0;
    const int m_receiveBufferWanted;
    DatagramQueue m_queue;
    std::atomic<std::uint64_t> m_kernelDrops { 0 };
    std::unique_ptr<UdpReceiver> m_receiver;
    QByteArray m_current;
    // Bumped by every close, so deliveries posted for an earlier binding do nothing.
    std::uint64_t m_generation = 0;
    bool m_inHandler = false;
    bool m_deferred = false;
    bool m_draining = false;
    bool m_paused = false;
    // A delivery turn found the pause: the end of the pause starts one.
    bool m_held = false;
};

} // namespace corvane::platform
