#include "platform/udp/datagram_queue.h"

#include <algorithm>
#include <utility>

namespace corvane::platform {

DatagramQueue::DatagramQueue(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1))
{
}

bool DatagramQueue::push(std::vector<QByteArray>& batch)
{
    std::lock_guard lock(m_mutex);
    for (QByteArray& datagram : batch) {
        if (m_items.size() >= m_capacity)
            ++m_dropped;
        else
            m_items.push_back(std::move(datagram));
    }
    batch.clear();
    if (m_delivering || (m_items.empty() && m_dropped == 0))
        return false;
    m_delivering = true;
    return true;
}

std::optional<DatagramQueue::Item> DatagramQueue::take()
{
    std::lock_guard lock(m_mutex);
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

std::uint64_t DatagramQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_delivering = false;
    return std::exchange(m_dropped, 0);
}

std::size_t DatagramQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

} // namespace corvane::platform
