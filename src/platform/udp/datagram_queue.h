#pragma once

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace corvane::platform {

// The FIFO between the receiver thread and the owner's thread. When it is
// full the newest datagrams are dropped and counted. An overflow episode ends
// when the queue has drained to half its capacity: under a steady overload
// the owner hears of it once, not once per datagram that squeezed in.
class DatagramQueue {
public:
    explicit DatagramQueue(std::size_t capacity);

    // One thing for the owner to handle: a datagram, or the end of an
    // overflow episode with the number of datagrams it dropped.
    struct Item {
        QByteArray datagram;
        std::uint64_t dropped = 0;
    };

    // Takes the batch's datagrams. True when delivery was idle and now has
    // work: the caller must start it.
    bool push(std::vector<QByteArray>& batch);

    // The next item, or nothing; an empty take marks delivery idle.
    std::optional<Item> take();

    struct Cleared {
        std::size_t datagrams = 0;
        // Drops of an episode that had not ended.
        std::uint64_t dropped = 0;
    };
    // Empties the queue and marks delivery idle.
    Cleared clear();

    std::size_t size() const;
    std::size_t capacity() const { return m_capacity; }
    // Every datagram dropped since the queue was made; readable from any thread.
    std::uint64_t droppedTotal() const { return m_droppedTotal.load(std::memory_order_relaxed); }

private:
    mutable std::mutex m_mutex;
    std::deque<QByteArray> m_items;
    const std::size_t m_capacity;
    bool m_delivering = false;
    std::uint64_t m_dropped = 0;
    std::atomic<std::uint64_t> m_droppedTotal { 0 };
};

} // namespace corvane::platform
