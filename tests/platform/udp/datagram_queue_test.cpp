#include "platform/udp/datagram_queue.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

std::vector<QByteArray> batchOf(std::initializer_list<const char*> items)
{
    std::vector<QByteArray> batch;
    for (const char* item : items)
        batch.emplace_back(item);
    return batch;
}

TEST(DatagramQueue, DropsTheNewestWhenFullAndReportsEachEpisodeOnce)
{
    DatagramQueue queue(2);
    auto batch = batchOf({"a", "b", "c", "d"});
    const auto first = queue.push(batch);
    EXPECT_TRUE(first.wasIdle);
    EXPECT_EQ(first.episodeDropped, 0u); // the episode is still going on
    EXPECT_EQ(queue.pop(), QByteArray("a"));

    batch = batchOf({"e", "f"}); // room for e: the episode ends, f starts a new one
    const auto second = queue.push(batch);
    EXPECT_FALSE(second.wasIdle);
    EXPECT_EQ(second.episodeDropped, 2u);
    EXPECT_EQ(queue.takeOpenEpisode(), 1u);
    EXPECT_EQ(queue.takeOpenEpisode(), 0u);

    EXPECT_EQ(queue.pop(), QByteArray("b"));
    EXPECT_EQ(queue.pop(), QByteArray("e"));
    EXPECT_EQ(queue.pop(), std::nullopt);
    // Delivery went idle with the empty pop, so the next push restarts it.
    batch = batchOf({"g"});
    EXPECT_TRUE(queue.push(batch).wasIdle);
}

} // namespace
} // namespace corvane::platform
