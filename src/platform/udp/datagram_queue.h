#pragma once

#include <QByteArray>

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace corvane::platform {

// The FIFO between the receiver thread and the GUI thread. When it is full
// the newest datagrams are dropped and counted; the count of one overflow
// episode is handed out once, when the queue has room again.
class DatagramQueue {
public:
    explicit DatagramQueue(std::size_t capacity);

    struct PushResult {
        bool wasIdle = false;             // nobody was delivering: the caller must start delivery
        std::uint64_t episodeDropped = 0; // non-zero once, when an overflow episode has ended
    };
    PushResult push(std::vector<QByteArray>& batch);

    // The oldest datagram, or nothing; an empty pop marks delivery idle.
    std::optional<QByteArray> pop();
    void clear();

    // Drops still counted in an episode that has not ended, and resets them.
    std::uint64_t takeOpenEpisode();
    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::deque<QByteArray> m_items;
    std::size_t m_capacity;
    bool m_delivering = false;
    std::uint64_t m_dropped = 0;
};

} // namespace corvane::platform
