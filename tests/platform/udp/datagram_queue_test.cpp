#include "platform/udp/datagram_queue.h"
#include "qstring_printer.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

// Runs a script on a queue of four, a step per word: "+N" pushes N numbered
// datagrams ("+N!": and delivery must start), "cK,N" clears, which discards K
// datagrams and reports N drops not yet reported, "tN" checks N were dropped
// in all; any other word takes an item and names it: the datagram, "dN" for
// the end of an episode that dropped N, "-" for none.
void runScript(const char* script)
{
    DatagramQueue queue(4);
    int next = 0;
    for (const QString& step : QString::fromLatin1(script).split(QLatin1Char(' '))) {
        QString got;
        if (step.startsWith(QLatin1Char('+'))) {
            std::vector<QByteArray> batch;
            const int count = QString(step).remove(QLatin1Char('!')).mid(1).toInt();
            for (int n = 0; n < count; ++n)
                batch.push_back(QByteArray::number(next++));
            got = QStringLiteral("+%1%2").arg(count).arg(queue.push(batch) ? "!" : "");
        } else if (step.startsWith(QLatin1Char('c'))) {
            const DatagramQueue::Cleared cleared = queue.clear();
            got = QStringLiteral("c%1,%2").arg(cleared.datagrams).arg(cleared.dropped);
        } else if (step.startsWith(QLatin1Char('t'))) {
            got = QStringLiteral("t%1").arg(queue.droppedTotal());
        } else {
            const std::optional<DatagramQueue::Item> item = queue.take();
            got = !item         ? QStringLiteral("-")
                : item->dropped ? QStringLiteral("d%1").arg(item->dropped)
                                : QString::fromLatin1(item->datagram);
        }
        ASSERT_EQ(got, step) << script;
    }
}

TEST(DatagramQueue, KeepsOrderDropsTheNewestAndReportsEachEpisodeOnce)
{
    runScript("+2! +1 0 1 2 - +1! 3"); // in order, then idle
    // 0..3 kept, 4..9 dropped; the episode ends at half capacity, before the
    // datagrams still waiting.
    runScript("+10! 0 1 d6 2 +1 3 10 -");
    runScript("+6! 0 +3 1 +3 2 3 d6 6 9 -"); // datagrams squeezing in do not end it
    runScript("+5! 0 1 d1 +4 2 3 d2 5 t3"); // two episodes
    // A close cuts the episode short; the next binding starts afresh, and the
    // total goes on.
    runScript("+6! c4,2 - +2! 6 c1,0 t2");
}

} // namespace
} // namespace corvane::platform
