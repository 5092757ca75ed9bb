#include "platform/udp/datagram_queue.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace corvane::platform {

DatagramQueue::DatagramQueue(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1))
{
}

bool DatagramQueue::push(std::vector<QByteArray>& batch)
{
    std::lock_guard lock(m_mutex);
    std::uint64_t dropped = 0;
    for (QByteArray& datagram : batch) {
        if (m_items.size() >= m_capacity)
            ++dropped;
        else
            m_items.push_back(std::move(datagram));
    }
    batch.clear();
    m_dropped += dropped;
    m_droppedTotal.fetch_add(dropped, std::memory_order_relaxed);
    assert(m_items.size() <= m_capacity);
    // An episode's drops are part of the total, which only this lock adds to.
    assert(m_dropped <= m_droppedTotal.load(std::memory_order_relaxed));
    if (m_delivering || (m_items.empty() && m_dropped == 0))
        return false;
    m_delivering = true;
    return true;
}

std::optional<DatagramQueue::Item> DatagramQueue::take()
{
    std::lock_guard lock(m_mutex);
    assert(m_items.size() <= m_capacity);
    if (m_dropped != 0 && m_items.size() <= m_capacity / 2)
        return Item { QByteArray(), std::exchange(m_dropped, 0) };
    if (m_items.empty()) {
        m_delivering = false;
        return std::nullopt;
    }
    Item item { std::move(m_items.front()), 0 };
    m_items.pop_front();
    return item;
}

DatagramQueue::Cleared DatagramQueue::clear()
{
    std::lock_guard lock(m_mutex);
    const Cleared cleared { m_items.size(), std::exchange(m_dropped, 0) };
    m_items.clear();
    m_delivering = false;
    return cleared;
}

std::size_t DatagramQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

} // namespace corvane::platform
