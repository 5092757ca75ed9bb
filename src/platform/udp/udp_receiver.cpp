#include "platform/udp/udp_receiver.h"

#include <cstring>
#include <linux/sock_diag.h>
#include <optional>
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

// Asks the system to attach its drop counter to every datagram it queues.
bool askForDropCounts(int fd)
{
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on) == 0;
}

// The counter a datagram came with; the system leaves it out while it is 0.
std::optional<std::uint32_t> dropCounter(msghdr& header)
{
    for (cmsghdr* control = CMSG_FIRSTHDR(&header); control; control = CMSG_NXTHDR(&header, control)) {
        if (control->cmsg_level == SOL_SOCKET && control->cmsg_type == SO_RXQ_OVFL) {
            std::uint32_t counter = 0;
            std::memcpy(&counter, CMSG_DATA(control), sizeof counter);
            return counter;
        }
    }
    return std::nullopt;
}

} // namespace

// One buffer per batch slot, reused; each datagram is copied out at its own
// length, so the queue holds no 64 KiB blocks.
struct UdpReceiver::BatchBuffers {
    union Control {
        cmsghdr header;
        char bytes[CMSG_SPACE(sizeof(std::uint32_t))];
    };
    std::vector<QByteArray> buffers
        = std::vector<QByteArray>(BatchSize, QByteArray(MaxDatagram, Qt::Uninitialized));
    std::vector<iovec> iovecs = std::vector<iovec>(BatchSize);
    std::vector<Control> controls = std::vector<Control>(BatchSize);
    std::vector<mmsghdr> messages = std::vector<mmsghdr>(BatchSize);
    std::vector<QByteArray> batch;
};

UdpReceiver::UdpReceiver(int socketFd, BatchHandler onBatch, std::atomic<std::uint64_t>& systemDrops)
    : m_fd(socketFd)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_onBatch(std::move(onBatch))
    , m_systemDrops(systemDrops)
    , m_dropsInMessages(askForDropCounts(socketFd))
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
    BatchBuffers io;
    io.batch.reserve(BatchSize);

    pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_wakeFd, POLLIN, 0 } };
    const nfds_t count = m_wakeFd >= 0 ? 2 : 1;
    while (!m_stop) {
        if (::poll(fds, count, PollTimeoutMs) <= 0 || !(fds[0].revents & (POLLIN | POLLERR)))
            continue;
        drainOnce(io);
        if (!m_dropsInMessages)
            readSystemDrops();
    }
    if (m_drainOnStop)
        drainOnce(io);
    // Drops after the last datagram read came with no datagram: ask, while
    // the socket is still open.
    readSystemDrops();
}

// Takes what is there, a batch at a time, cut short by a stop unless the
// stop asked for it all; a pending socket error is taken (and so cleared) by
// the read.
void UdpReceiver::drainOnce(BatchBuffers& io)
{
    while (!m_stop || m_drainOnStop) {
        for (int i = 0; i < BatchSize; ++i) {
            io.iovecs[i] = { io.buffers[i].data(), MaxDatagram };
            io.messages[i] = {};
            msghdr& header = io.messages[i].msg_hdr;
            header.msg_iov = &io.iovecs[i];
            header.msg_iovlen = 1;
            if (m_dropsInMessages) {
                header.msg_control = io.controls[i].bytes;
                header.msg_controllen = sizeof io.controls[i].bytes;
            }
        }
        const int received = ::recvmmsg(m_fd, io.messages.data(), BatchSize, MSG_DONTWAIT, nullptr);
        if (received <= 0)
            break;
        for (int i = 0; i < received; ++i)
            io.batch.emplace_back(io.buffers[i].constData(), static_cast<qsizetype>(io.messages[i].msg_len));
        // The counter only grows, so the batch's last reading is the one that counts.
        for (int i = received - 1; i >= 0; --i) {
            if (const std::optional<std::uint32_t> counter = dropCounter(io.messages[i].msg_hdr)) {
                recordSystemDrops(*counter);
                break;
            }
        }
        m_onBatch(io.batch);
        if (received < BatchSize)
            break;
    }
}

void UdpReceiver::readSystemDrops()
{
    std::uint32_t info[SK_MEMINFO_VARS] {};
    socklen_t length = sizeof info;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_MEMINFO, info, &length) == 0
        && length > SK_MEMINFO_DROPS * sizeof(std::uint32_t))
        recordSystemDrops(info[SK_MEMINFO_DROPS]);
}

// The system's counter is 32 bits wide and wraps: add the step since the
// last reading. A step that looks backwards is a stale reading.
void UdpReceiver::recordSystemDrops(std::uint32_t counter)
{
    const std::uint32_t step = counter - m_lastCounter;
    if (step == 0 || step > UINT32_MAX / 2)
        return;
    m_lastCounter = counter;
    m_systemDrops.fetch_add(step, std::memory_order_relaxed);
}

} // namespace corvane::platform
