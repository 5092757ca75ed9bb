#include "platform/udp/datagram_queue.h"

namespace corvane::platform {

DatagramQueue::DatagramQueue(std::size_t capacity)
    : m_capacity(capacity)
{
}

DatagramQueue::PushResult DatagramQueue::push(std::vector<QByteArray>& batch)
{
    PushResult result;
    std::lock_guard lock(m_mutex);
    for (QByteArray& datagram : batch) {
        if (m_items.size() >= m_capacity) {
            ++m_dropped;
            continue;
        }
        if (m_dropped != 0) {
            result.episodeDropped += m_dropped;
            m_dropped = 0;
        }
        m_items.push_back(std::move(datagram));
    }
    batch.clear();
    if (!m_delivering && !m_items.empty()) {
        m_delivering = true;
        result.wasIdle = true;
    }
    return result;
}

std::optional<QByteArray> DatagramQueue::pop()
{
    std::lock_guard lock(m_mutex);
    if (m_items.empty()) {
        m_delivering = false;
        return std::nullopt;
    }
    QByteArray front = std::move(m_items.front());
    m_items.pop_front();
    return front;
}

void DatagramQueue::clear()
{
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_delivering = false;
}

std::uint64_t DatagramQueue::takeOpenEpisode()
{
    std::lock_guard lock(m_mutex);
    const std::uint64_t dropped = m_dropped;
    m_dropped = 0;
    return dropped;
}

std::size_t DatagramQueue::size() const
{
    std::lock_guard lock(m_mutex);
    return m_items.size();
}

} // namespace corvane::platform
