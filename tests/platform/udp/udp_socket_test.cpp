#include "loopback_sender.h"
#include "platform/failure/failure.h"
#include "platform/udp/datagram_queue.h"
#include "platform/udp/udp_socket.h"
#include "qstring_printer.h"
#include "wait_for.h"

#include <QDeadlineTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace corvane::platform {
namespace {

using corvane::testing::waitFor;
using Sender = corvane::testing::LoopbackSender;

// Blocks the owner's thread (no events) until the receiver holds this many.
bool waitPending(const UdpSocket& socket, std::size_t count)
{
    const QDeadlineTimer deadline(20000);
    while (socket.pendingDatagrams() < count && !deadline.hasExpired())
        QThread::msleep(5);
    return socket.pendingDatagrams() >= count;
}

void spin(int turns)
{
    for (int i = 0; i < turns; ++i)
        QCoreApplication::processEvents();
}

struct Collector {
    explicit Collector(UdpSocket& socket)
    {
        QObject::connect(
            &socket, &UdpSocket::dataArrival, [&socket, this] { texts << socket.readDatagram(); });
    }
    QStringList texts;
};

TEST(UdpSocket, HoldsDatagramsBackWhileAHandlerShowsAModalBox)
{
    // More datagrams arrive while the box is up: on the same binding, or on
    // a new one made inside the handler (Stop and Start Capture).
    for (const bool rebind : { false, true }) {
        UdpSocket socket;
        socket.bind(0);
        auto sender = std::make_unique<Sender>(socket.localPort());
        QStringList order; // a handler entered again would note a datagram before "box closed"
        QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
            order << socket.readDatagram();
            if (order.size() == 1) {
                if (rebind) {
                    socket.close();
                    socket.bind(0);
                    sender = std::make_unique<Sender>(socket.localPort());
                }
                QMessageBox box(QMessageBox::Information, QStringLiteral("Corvane"), QStringLiteral("busy"));
                QTimer::singleShot(0, [&] {
                    for (int i = 0; i < 20; ++i)
                        sender->send(QByteArray::number(i));
                    waitPending(socket, 20);
                    QTimer::singleShot(100, &box, &QMessageBox::accept); // the box's loop runs meanwhile
                });
                box.exec();
                order << QStringLiteral("box closed");
            }
        });
        sender->send("first");
        ASSERT_TRUE(waitFor([&] { return order.size() == 22; })) << rebind << order.join(',').toStdString();
        QStringList expected { "first", "box closed" };
        for (int i = 0; i < 20; ++i)
            expected << QString::number(i);
        EXPECT_EQ(order, expected) << rebind;
    }
}

TEST(UdpSocket, DeliversTheBytesAndTheirText)
{
    const QString nul(QChar(0));
    const std::vector<std::pair<QByteArray, QString>> cases = {
        { "zone=M\xc3\xbcnchen \xe2\x82\xac", QStringLiteral(u"zone=M\u00fcnchen \u20ac") },
        // invalid UTF-8 is read as Latin-1, losing nothing
        { "zone=M\xfcnchen \xe2\x82", QStringLiteral(u"zone=M\u00fcnchen \u00e2\u0082") },
        { QByteArray("\0a\0b\0", 5), nul + "a" + nul + "b" + nul }, { QByteArray(), QString() },
        { QByteArray(65507, 'z'), QString(65507, QLatin1Char('z')) }, // the largest there is
    };
    UdpSocket socket;
    socket.bind(0);
    std::vector<std::pair<QByteArray, QString>> got;
    QObject::connect(&socket, &UdpSocket::dataArrival,
        [&] { got.emplace_back(socket.datagramBytes(), socket.readDatagram()); });
    Sender sender(socket.localPort());
    for (const auto& c : cases)
        sender.send(c.first);
    ASSERT_TRUE(waitFor([&] { return got.size() == cases.size(); })) << got.size();
    EXPECT_EQ(got, cases);
}

TEST(UdpSocket, CloseDiscardsWhatWasNotHandled)
{
    UdpSocket socket;
    socket.bind(0);
    Collector collector(socket);
    for (int i = 0; i < 100; ++i)
        Sender(socket.localPort()).send("stale");
    ASSERT_TRUE(waitPending(socket, 100)); // their delivery is posted by now
    EXPECT_EQ(socket.close(), 100u);
    // Bound again in the same turn: what was posted for the old binding
    // delivers nothing, and the new binding's datagrams come in order.
    socket.bind(0);
    Sender sender(socket.localPort());
    for (int i = 0; i < 3; ++i)
        sender.send("fresh " + QByteArray::number(i));
    ASSERT_TRUE(waitPending(socket, 3));
    ASSERT_TRUE(waitFor([&] { return collector.texts.size() >= 3; }));
    spin(50);
    EXPECT_EQ(collector.texts, (QStringList { "fresh 0", "fresh 1", "fresh 2" }));
}

TEST(UdpSocket, KeepsEveryDatagramInOrderWhileTheOwnerIsBusyAndThroughAStopAndARestart)
{
    // "::" takes IPv4 datagrams too, as a service bound there must.
    UdpSocket socket;
    socket.setRemoteHost(QStringLiteral("192.0.2.1")); // not the sender: filters nothing
    QString address = QStringLiteral("::");
    try {
        socket.bind(address, 0);
    } catch (const Failure&) {
        address = QStringLiteral("0.0.0.0"); // no IPv6 here: the burst and the drain still count
        socket.bind(address, 0);
    }
    Collector collector(socket);
    int overflows = 0;
    QObject::connect(&socket, &UdpSocket::overflowed, [&] { ++overflows; });
    const int count = 10000;
    const int total = count + 100;
    Sender sender(socket.localPort());
    for (int i = 0; i < count; ++i)
        sender.send(QByteArray::number(i) + ' ' + QByteArray(100, 'x'));
    // A long report on the owner's thread: only the receiver thread reads meanwhile.
    ASSERT_TRUE(waitPending(socket, count)) << socket.pendingDatagrams();
    socket.stopReceiving();
    EXPECT_EQ(socket.state(), 1); // until the last one is delivered
    spin(1);
    // Capture started again on the same port while the stop still delivers.
    socket.bind(address, socket.localPort());
    for (int i = count; i < total; ++i)
        sender.send(QByteArray::number(i) + ' ');
    ASSERT_TRUE(waitFor([&] { return collector.texts.size() >= total; })) << collector.texts.size();
    socket.stopReceiving();
    ASSERT_TRUE(waitFor([&] { return socket.state() == 0; }));
    ASSERT_EQ(collector.texts.size(), total);
    for (int i = 0; i < total; ++i)
        ASSERT_TRUE(collector.texts[i].startsWith(QString::number(i) + ' ')) << i;
    EXPECT_EQ(overflows, 0);
}

TEST(UdpSocket, CountsEveryDatagramThroughAPauseAndReportsAnOverflowOnceOutsideTheHandlers)
{
    // The smallest buffer the system grants and a FIFO of ten: both drop.
    UdpSocket socket(nullptr, 10, 1);
    socket.bind(QStringLiteral("127.0.0.1"), 0);
    socket.setDeliveryPaused(true);
    QStringList events;
    quint64 delivered = 0;
    bool inArrival = false;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        inArrival = true;
        events << socket.readDatagram();
        ++delivered;
        if (events.last() == QLatin1String("2"))
            socket.setDeliveryPaused(true); // the disk is full: hold the rest back
        spin(5); // a handler that lets events through sees neither the report nor the next one
        inArrival = false;
    });
    QObject::connect(&socket, &UdpSocket::overflowed, [&](quint64 dropped) {
        EXPECT_FALSE(inArrival);
        events << QStringLiteral("dropped %1").arg(dropped);
    });
    Sender sender(socket.localPort());
    // One at a time, each taken before the next: the FIFO keeps 0..9 and drops the rest.
    quint64 sent = 0;
    for (; sent < 50; ++sent) {
        sender.send(QByteArray::number(sent));
        ASSERT_TRUE(waitFor([&] { return socket.pendingDatagrams() + socket.queueDrops() == sent + 1; }));
    }
    // As fast as one thread sends: the system drops what the tiny buffer cannot hold.
    for (; sent < 3050; ++sent)
        sender.send(QByteArray::number(sent));
    socket.stopReceiving();
    spin(50);
    EXPECT_EQ(events, QStringList());
    EXPECT_EQ(socket.state(), 1); // a paused drain waits for the end of the pause

    socket.setDeliveryPaused(false);
    ASSERT_TRUE(waitFor([&] { return events.size() == 3; }));
    spin(50);
    EXPECT_EQ(events.size(), 3) << events.join(',').toStdString();
    socket.setDeliveryPaused(false);
    ASSERT_TRUE(waitFor([&] { return socket.state() == 0; }));
    EXPECT_EQ(events,
        (QStringList { "0", "1", "2", "3", "4", QStringLiteral("dropped %1").arg(socket.queueDrops()), "5",
            "6", "7", "8", "9" }));
    EXPECT_EQ(delivered + socket.queueDrops() + socket.kernelDrops(), sent)
        << socket.queueDrops() << " " << socket.kernelDrops();
    socket.bind(0);
    EXPECT_EQ(socket.kernelDrops(), 0u); // counted per binding
}

TEST(UdpSocket, BindFailuresNameTheReasonAndKeepTheBinding)
{
    UdpSocket bound;
    bound.bind(0);
    struct Case {
        UdpSocket* socket; // null: a fresh socket
        int port;
        int number;
        const char* reason;
    };
    std::vector<Case> cases = {
        { nullptr, bound.localPort(), 10048, "Address in use" },
        { &bound, 0, 40020, "Invalid operation at current state" },
        { nullptr, -1, 10022, "Invalid argument" },
        { nullptr, 65536, 10022, "Invalid argument" },
    };
    if (::geteuid() != 0) // root may bind it
        cases.push_back({ nullptr, 514, 10013, "Permission denied" });
    for (const Case& c : cases) {
        UdpSocket fresh;
        try {
            (c.socket ? *c.socket : fresh).bind(c.port);
            ADD_FAILURE() << c.reason << ": bind succeeded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << failure.what();
            EXPECT_TRUE(failure.description().startsWith(QLatin1String(c.reason))) << failure.what();
        }
        EXPECT_EQ(fresh.state(), 0) << c.reason;
    }
    // The first binding goes on receiving.
    Collector collector(bound);
    Sender(bound.localPort()).send("still here");
    ASSERT_TRUE(waitFor([&] { return !collector.texts.isEmpty(); }));
    EXPECT_EQ(collector.texts, QStringList { "still here" });
}

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
