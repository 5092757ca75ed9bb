#include "platform/udp/udp_receiver.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::platform {

namespace {

constexpr int BatchSize = 64;
constexpr int MaxDatagram = 65536;

} // namespace

UdpReceiver::UdpReceiver(int socketFd, BatchHandler onBatch)
    : m_fd(socketFd)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC))
    , m_onBatch(std::move(onBatch))
{
    m_thread = std::thread([this] { run(); });
}

UdpReceiver::~UdpReceiver()
{
    m_stop = true;
    const std::uint64_t one = 1;
    if (m_wakeFd >= 0)
        [[maybe_unused]] const auto written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void UdpReceiver::run()
{
    std::vector<QByteArray> buffers(BatchSize, QByteArray(MaxDatagram, Qt::Uninitialized));
    std::vector<iovec> iovecs(BatchSize);
    std::vector<mmsghdr> messages(BatchSize);
    std::vector<QByteArray> batch;
    batch.reserve(BatchSize);

    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const nfds_t count = m_wakeFd >= 0 ? 2 : 1;
    while (!m_stop) {
        // Without the wake-up descriptor the timeout bounds how long a stop waits.
        if (::poll(fds, count, 200) <= 0 || !(fds[0].revents & POLLIN))
            continue;
        for (;;) {
            for (int i = 0; i < BatchSize; ++i) {
                iovecs[i] = {buffers[i].data(), MaxDatagram};
                messages[i] = {};
                messages[i].msg_hdr.msg_iov = &iovecs[i];
                messages[i].msg_hdr.msg_iovlen = 1;
            }
            const int received = ::recvmmsg(m_fd, messages.data(), BatchSize, MSG_DONTWAIT, nullptr);
            if (received <= 0)
                break; // EAGAIN: drained; anything else: poll again
            for (int i = 0; i < received; ++i)
                batch.emplace_back(buffers[i].constData(), static_cast<qsizetype>(messages[i].msg_len));
            m_onBatch(batch);
            if (received < BatchSize || m_stop)
                break;
        }
    }
}

} // namespace corvane::platform
