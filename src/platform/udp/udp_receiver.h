#pragma once

#include <QByteArray>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace corvane::platform {

// The thread that drains a bound socket into memory as fast as datagrams
// arrive, so none is lost to a full system buffer while the GUI thread is busy.
class UdpReceiver {
public:
    using BatchHandler = std::function<void(std::vector<QByteArray>& batch)>;

    // Takes ownership of the bound socket descriptor and starts reading.
    UdpReceiver(int socketFd, BatchHandler onBatch);
    ~UdpReceiver(); // stops the thread and closes the socket

    UdpReceiver(const UdpReceiver&) = delete;
    UdpReceiver& operator=(const UdpReceiver&) = delete;

private:
    void run();

    int m_fd;
    int m_wakeFd;
    BatchHandler m_onBatch;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace corvane::platform
