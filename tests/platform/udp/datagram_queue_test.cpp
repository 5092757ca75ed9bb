#include "platform/udp/datagram_queue.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane::platform {
namespace {

// A script of pushes and takes on a queue of four. "push N" pushes N numbered
// datagrams and expects the returned start-delivery flag; "take" expects the
// next item: a datagram's text, "drop N" for an episode's end, or "-" for none.
struct Step {
    std::string op;
    int count;
    std::string expected;
};

void runScript(const char* name, const std::vector<Step>& steps)
{
    DatagramQueue queue(4);
    int next = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        const std::string where = std::string(name) + ", step " + std::to_string(i);
        if (step.op == "push") {
            std::vector<QByteArray> batch;
            for (int n = 0; n < step.count; ++n)
                batch.push_back(QByteArray::number(next++));
            EXPECT_EQ(queue.push(batch) ? "start" : "-", step.expected) << where;
            EXPECT_TRUE(batch.empty()) << where;
        } else if (step.op == "take") {
            const std::optional<DatagramQueue::Item> item = queue.take();
            const std::string got = !item ? "-"
                : item->dropped           ? "drop " + std::to_string(item->dropped)
                                          : item->datagram.toStdString();
            EXPECT_EQ(got, step.expected) << where;
        } else {
            EXPECT_EQ(std::to_string(queue.clear()), step.expected) << where;
        }
    }
}

TEST(DatagramQueue, KeepsOrderDropsTheNewestAndReportsEachEpisodeOnce)
{
    runScript("in order, then idle",
        { { "push", 2, "start" }, { "push", 1, "-" }, { "take", 0, "0" }, { "take", 0, "1" },
            { "take", 0, "2" }, { "take", 0, "-" }, { "push", 1, "start" }, { "take", 0, "3" } });
    // 0..3 kept, 4..9 dropped; the episode ends at half capacity, before
    // the datagrams still waiting.
    runScript("one episode",
        { { "push", 10, "start" }, { "take", 0, "0" }, { "take", 0, "1" }, { "take", 0, "drop 6" },
            { "take", 0, "2" }, { "push", 1, "-" }, { "take", 0, "3" }, { "take", 0, "10" },
            { "take", 0, "-" } });
    // Datagrams squeezing in under a steady overload do not end it.
    runScript("steady overload",
        { { "push", 6, "start" }, { "take", 0, "0" }, { "push", 3, "-" }, { "take", 0, "1" },
            { "push", 3, "-" }, { "take", 0, "2" }, { "take", 0, "3" }, { "take", 0, "drop 6" },
            { "take", 0, "6" }, { "take", 0, "9" }, { "take", 0, "-" } });
    runScript("two episodes",
        { { "push", 5, "start" }, { "take", 0, "0" }, { "take", 0, "1" }, { "take", 0, "drop 1" },
            { "push", 4, "-" }, { "take", 0, "2" }, { "take", 0, "3" }, { "take", 0, "drop 2" },
            { "take", 0, "5" } });
    // A close cuts the episode short; the next binding starts afresh.
    runScript("clear hands over an open episode",
        { { "push", 6, "start" }, { "clear", 0, "2" }, { "take", 0, "-" }, { "push", 1, "start" },
            { "take", 0, "6" } });
}

} // namespace
} // namespace corvane::platform
