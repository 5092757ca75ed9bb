#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <functional>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace corvane::platform {

// The thread that drains a bound socket into memory as fast as datagrams
// arrive, so none is lost to a full system buffer while the owner's thread
// is busy. It reads in batches and hands each batch on from its own thread.
class UdpReceiver {
public:
    using BatchHandler = std::function<void(std::vector<QByteArray>& batch)>;

    // Takes ownership of the bound socket descriptor and starts reading.
    // systemDrops is raised as the system reports datagrams it dropped for
    // the socket; it must outlive the receiver.
    UdpReceiver(int socketFd, BatchHandler onBatch, std::atomic<std::uint64_t>& systemDrops);
    // Wakes and joins the thread, then closes the socket.
    ~UdpReceiver();
    // Like the destructor, but first takes what the system already holds.
    void stopAfterDraining();

    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

private:
    struct BatchBuffers;

    void run();
    void drainOnce(BatchBuffers& io);
    void readSystemDrops();
    void recordSystemDrops(std::uint32_t counter);
    void stop();

    int m_fd;
    int m_wakeFd;
    BatchHandler m_onBatch;
    std::atomic<std::uint64_t>& m_systemDrops;
    std::uint32_t m_lastCounter = 0;
    // Whether each datagram carries the drop counter; if not, it is asked for.
    bool m_dropsInMessages;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_drainOnStop { false };
    std::thread m_thread;
};

} // namespace corvane::platform
