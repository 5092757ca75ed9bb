#pragma once

#include <QByteArray>
#include <netinet/in.h>

namespace corvane::testing {

// Sends datagrams to a port on 127.0.0.1, as a firewall would to the program.
class LoopbackSender {
public:
    explicit LoopbackSender(int port);
    ~LoopbackSender();
    LoopbackSender(const LoopbackSender&) = delete;
    LoopbackSender& operator=(const LoopbackSender&) = delete;

    void send(const QByteArray& datagram) const;

private:
    int m_fd;
    sockaddr_in m_to {};
};

} // namespace corvane::testing
