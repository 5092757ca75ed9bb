#pragma once

#include "platform/udp/datagram_queue.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace corvane::platform {

class UdpReceiver;

// A UDP socket for a GUI program. A receiver thread drains the system's
// buffer into a FIFO, and dataArrival() is raised on the owner's thread once
// per datagram, in arrival order, one per event-loop turn, and never while a
// handler of an earlier datagram is still running (a modal box inside it
// holds the following datagrams back until it has returned). The remote host
// and port are kept for the owner; they filter nothing.
class UdpSocket : public QObject {
    Q_OBJECT
public:
    static constexpr int ReceiveBufferBytes = 8 * 1024 * 1024;
    static constexpr std::size_t QueueCapacity = 1'000'000;

    explicit UdpSocket(QObject* parent = nullptr);
    ~UdpSocket() override;

    void setRemoteHost(const QString& host) { m_remoteHost = host; }
    const QString& remoteHost() const { return m_remoteHost; }
    void setRemotePort(int port) { m_remotePort = port; }
    int remotePort() const { return m_remotePort; }
    void setLocalPort(int port) { m_localPort = port; }
    int localPort() const { return m_localPort; }

    // Binds to the port on every local IPv4 address; port 0 lets the system
    // choose. Fails when already bound, for a port outside 0..65535, and when
    // the system refuses, naming its reason.
    void bind(int port);
    // Closes the socket; datagrams not yet handled are discarded.
    void close();
    // 0 closed, 1 bound.
    int state() const { return m_receiver ? 1 : 0; }
    // The port actually bound (the system's choice for port 0), or 0.
    int boundPort() const { return m_boundPort; }

    // The datagram being handled, inside a dataArrival() handler.
    QString readDatagram() const;
    const QByteArray& datagramBytes() const { return m_current; }

signals:
    void dataArrival();
    // Datagrams dropped because the FIFO was full, once per overflow episode.
    void overflowed(quint64 dropped);

private:
    void scheduleDelivery();
    void deliverOne();

    QString m_remoteHost;
    int m_remotePort = 0;
    int m_localPort = 0;
    int m_boundPort = 0;
    DatagramQueue m_queue{QueueCapacity};
    std::unique_ptr<UdpReceiver> m_receiver;
    QByteArray m_current;
    bool m_inHandler = false;
};

} // namespace corvane::platform
