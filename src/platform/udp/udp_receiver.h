#pragma once

#include <QByteArray>
#include <atomic>
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
    UdpReceiver(int socketFd, BatchHandler onBatch);
    // Wakes and joins the thread, then closes the socket.
    ~UdpReceiver();
    // Like the destructor, but first takes what the system already holds.
    void stopAfterDraining();

    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

private:
    void run();
    void drainOnce(std::vector<QByteArray>& buffers, std::vector<iovec>& iovecs,
        std::vector<mmsghdr>& messages, std::vector<QByteArray>& batch);
    void stop();

    int m_fd;
    int m_wakeFd;
    BatchHandler m_onBatch;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_drainOnStop { false };
    std::thread m_thread;
};

} // namespace corvane::platform
