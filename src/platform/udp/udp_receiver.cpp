#include "platform/udp/udp_receiver.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::platform {

namespace {

constexpr int BatchSize = 64;
// The largest UDP payload fits; a longer one cannot exist on IPv4.
constexpr int MaxDatagram = 65536;
// Only matters when no wake-up descriptor could be made: bounds how long a
// stop waits for the thread.
constexpr int PollTimeoutMs = 100;

} // namespace

UdpReceiver::UdpReceiver(int socketFd, BatchHandler onBatch)
    : m_fd(socketFd)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_onBatch(std::move(onBatch))
    , m_thread([this] { run(); })
{
}

UdpReceiver::~UdpReceiver()
{
    stop();
    ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void UdpReceiver::stopAfterDraining()
{
    m_drainOnStop = true;
    stop();
}

void UdpReceiver::stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    }
    m_thread.join();
}

void UdpReceiver::run()
{
    // One buffer per batch slot, reused; each datagram is copied out at its
    // own length, so the queue holds no 64 KiB blocks.
    std::vector<QByteArray> buffers(BatchSize, QByteArray(MaxDatagram, Qt::Uninitialized));
    std::vector<iovec> iovecs(BatchSize);
    std::vector<mmsghdr> messages(BatchSize);
    std::vector<QByteArray> batch;
    batch.reserve(BatchSize);

    pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_wakeFd, POLLIN, 0 } };
    const nfds_t count = m_wakeFd >= 0 ? 2 : 1;
    while (!m_stop) {
        if (::poll(fds, count, PollTimeoutMs) <= 0 || !(fds[0].revents & (POLLIN | POLLERR)))
            continue;
        drainOnce(buffers, iovecs, messages, batch);
    }
    if (m_drainOnStop)
        drainOnce(buffers, iovecs, messages, batch);
}

// Takes what is there, a batch at a time, cut short by a stop unless the
// stop asked for it all; a pending socket error is taken (and so cleared) by
// the read.
void UdpReceiver::drainOnce(std::vector<QByteArray>& buffers, std::vector<iovec>& iovecs,
    std::vector<mmsghdr>& messages, std::vector<QByteArray>& batch)
{
    while (!m_stop || m_drainOnStop) {
        for (int i = 0; i < BatchSize; ++i) {
            iovecs[i] = { buffers[i].data(), MaxDatagram };
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &iovecs[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int received = ::recvmmsg(m_fd, messages.data(), BatchSize, MSG_DONTWAIT, nullptr);
        if (received <= 0)
            break;
        for (int i = 0; i < received; ++i)
            batch.emplace_back(buffers[i].constData(), static_cast<qsizetype>(messages[i].msg_len));
        m_onBatch(batch);
        if (received < BatchSize)
            break;
    }
}

} // namespace corvane::platform
