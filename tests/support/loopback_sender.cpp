#include "loopback_sender.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::testing {

LoopbackSender::LoopbackSender(int port)
    : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
{
    m_to.sin_family = AF_INET;
    m_to.sin_port = htons(static_cast<std::uint16_t>(port));
    m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}

LoopbackSender::~LoopbackSender()
{
    ::close(m_fd);
}

void LoopbackSender::send(const QByteArray& datagram) const
{
    ::sendto(m_fd, datagram.constData(), static_cast<size_t>(datagram.size()), 0,
        reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
}

} // namespace corvane::testing
