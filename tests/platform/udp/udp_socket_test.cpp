#include "platform/failure/failure.h"
#include "platform/udp/udp_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

// A plain sender on loopback, as the firewall would send.
class Sender {
public:
    explicit Sender(int port)
        : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(static_cast<std::uint16_t>(port));
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { ::close(m_fd); }
    void send(const QByteArray& bytes) const
    {
        const auto sent = ::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
            reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
        ASSERT_EQ(sent, bytes.size());
    }

private:
    int m_fd;
    sockaddr_in m_to {};
};

// Spins the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Blocks the owner's thread (no events) until the receiver holds this many.
bool waitPending(const UdpSocket& socket, std::size_t count)
{
    QDeadlineTimer deadline(10000);
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

TEST(UdpSocket, DeliversEveryDatagramInOrderWhateverItsSender)
{
    UdpSocket socket;
    socket.setRemoteHost(QStringLiteral("192.168.1.1")); // not the sender: filters nothing
    socket.setRemotePort(2350);
    EXPECT_EQ(socket.state(), 0);
    socket.bind(0);
    EXPECT_EQ(socket.state(), 1);
    EXPECT_GT(socket.localPort(), 0);
    EXPECT_EQ(socket.boundPort(), socket.localPort());
    EXPECT_EQ(socket.remoteHost(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(socket.remotePort(), 2350);
    Collector collector(socket);

    Sender sender(socket.localPort());
    for (int i = 0; i < 3000; ++i)
        sender.send(QByteArray::number(i));
    ASSERT_TRUE(waitFor([&] { return collector.texts.size() == 3000; })) << collector.texts.size();
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(collector.texts[i], QString::number(i));
    socket.close();
    EXPECT_EQ(socket.state(), 0);
    EXPECT_EQ(socket.boundPort(), 0);
}

TEST(UdpSocket, KeepsABurstThatArrivesWhileTheOwnerIsBlocked)
{
    UdpSocket socket;
    socket.bind(0);
    Collector collector(socket);
    int overflows = 0;
    QObject::connect(&socket, &UdpSocket::overflowed, [&] { ++overflows; });
    Sender sender(socket.localPort());
    const int count = 50000;
    const QByteArray padding(250, 'x');
    for (int i = 0; i < count; ++i)
        sender.send(QByteArray::number(i) + ' ' + padding);
    QThread::sleep(2); // a long report on the GUI thread; the receiver goes on

    ASSERT_TRUE(waitFor([&] { return collector.texts.size() == count; }, 60000)) << collector.texts.size();
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(collector.texts[i].startsWith(QString::number(i) + ' ')) << i;
    EXPECT_EQ(overflows, 0);
}

TEST(UdpSocket, HoldsDatagramsBackWhileAHandlerShowsAModalBox)
{
    // More datagrams arrive while the box is up: on the same binding, or on
    // a new one made inside the handler (Stop and Start Capture).
    for (const bool rebind : { false, true }) {
        UdpSocket socket;
        socket.bind(0);
        auto sender = std::make_unique<Sender>(socket.localPort());
        QStringList order;
        int depth = 0;
        int deepest = 0;
        QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
            deepest = std::max(deepest, ++depth);
            const QString text = socket.readDatagram();
            order << text;
            if (text == QLatin1String("first")) {
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
                    QTimer::singleShot(100, &box, &QMessageBox::accept);
                });
                box.exec();
                order << QStringLiteral("box closed");
            }
            --depth;
        });
        sender->send("first");
        ASSERT_TRUE(waitFor([&] { return order.size() == 22; })) << rebind << order.join(',').toStdString();
        QStringList expected { "first", "box closed" };
        for (int i = 0; i < 20; ++i)
            expected << QString::number(i);
        EXPECT_EQ(order, expected) << rebind;
        EXPECT_EQ(deepest, 1) << rebind;
    }
}

TEST(UdpSocket, DeliversTheBytesAndTheirText)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const QString nul(QChar(0));
    const std::vector<Case> cases = {
        { "ASCII", "sent=1 rcvd=2", QStringLiteral("sent=1 rcvd=2") },
        { "valid UTF-8", "zone=M\xc3\xbcnchen \xe2\x82\xac", QStringLiteral(u"zone=M\u00fcnchen \u20ac") },
        { "invalid UTF-8 is Latin-1", "zone=M\xfcnchen \xe2\x82",
            QStringLiteral(u"zone=M\u00fcnchen \u00e2\u0082") },
        { "overlong form is Latin-1", "a\xc0\xaf", QStringLiteral(u"a\u00c0\u00af") },
        { "encoded surrogate is Latin-1", "\xed\xa0\x80", QStringLiteral(u"\u00ed\u00a0\u0080") },
        { "embedded NULs", QByteArray("\0a\0b\0", 5), nul + "a" + nul + "b" + nul },
        { "empty", QByteArray(), QString() },
        { "largest datagram", QByteArray(65507, 'z'), QString(65507, QLatin1Char('z')) },
    };
    UdpSocket socket;
    socket.bind(0);
    QList<QByteArray> bytes;
    QStringList texts;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        bytes << socket.datagramBytes();
        texts << socket.readDatagram();
    });
    Sender sender(socket.localPort());
    for (const Case& c : cases)
        sender.send(c.bytes);
    ASSERT_TRUE(waitFor([&] { return bytes.size() == qsizetype(cases.size()); })) << bytes.size();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(bytes[i], cases[i].bytes) << cases[i].name;
        EXPECT_EQ(texts[i], cases[i].text) << cases[i].name;
        EXPECT_EQ(texts[i].size(), cases[i].text.size()) << cases[i].name;
    }
}

TEST(UdpSocket, CloseDiscardsWhatWasNotHandled)
{
    UdpSocket socket;
    socket.bind(0);
    Collector collector(socket);
    {
        Sender sender(socket.localPort());
        for (int i = 0; i < 100; ++i)
            sender.send("stale");
    }
    ASSERT_TRUE(waitPending(socket, 100)); // their delivery is posted by now
    socket.close();
    EXPECT_EQ(socket.pendingDatagrams(), 0u);
    // Bound again in the same turn: what was posted for the old binding
    // delivers nothing, and the new binding's datagrams come one per turn.
    socket.bind(0);
    Sender sender(socket.localPort());
    for (int i = 0; i < 5; ++i)
        sender.send("fresh " + QByteArray::number(i));
    ASSERT_TRUE(waitPending(socket, 5));
    QCoreApplication::sendPostedEvents(); // one turn
    EXPECT_EQ(collector.texts, QStringList { "fresh 0" });
    ASSERT_TRUE(waitFor([&] { return collector.texts.size() >= 5; }));
    spin(50);
    EXPECT_EQ(collector.texts, (QStringList { "fresh 0", "fresh 1", "fresh 2", "fresh 3", "fresh 4" }));

    int handled = 0;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        if (++handled == 1)
            socket.close(); // as the size limit stops capture
    });
    for (int i = 0; i < 50; ++i)
        sender.send("more");
    ASSERT_TRUE(waitFor([&] { return handled > 0; }));
    spin(50);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(socket.state(), 0);
}

TEST(UdpSocket, ReportsAnOverflowOnceOutsideTheHandlers)
{
    UdpSocket socket(nullptr, 10);
    socket.bind(0);
    QStringList events;
    bool inArrival = false;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        inArrival = true;
        events << socket.readDatagram();
        spin(5); // a handler that lets events through must not see the report
        inArrival = false;
    });
    QObject::connect(&socket, &UdpSocket::overflowed, [&](quint64 dropped) {
        EXPECT_FALSE(inArrival);
        events << QStringLiteral("dropped %1").arg(dropped);
    });
    Sender sender(socket.localPort());
    for (int i = 0; i < 50; ++i)
        sender.send(QByteArray::number(i));
    ASSERT_TRUE(waitPending(socket, 10));
    QThread::msleep(200); // the receiver drops the rest meanwhile

    ASSERT_TRUE(waitFor([&] { return events.size() == 11; })) << events.join(',').toStdString();
    spin(50);
    EXPECT_EQ(events, (QStringList { "0", "1", "2", "3", "4", "dropped 40", "5", "6", "7", "8", "9" }));
}

TEST(UdpSocket, BindFailuresNameTheReason)
{
    UdpSocket other;
    other.bind(0);
    UdpSocket bound;
    bound.bind(0);
    const int boundPort = bound.localPort();

    struct Case {
        const char* name;
        UdpSocket* socket; // null: a fresh socket
        int port;
        int number;
        const char* reason;
    };
    std::vector<Case> cases = {
        { "port in use", nullptr, other.localPort(), 10048, "Address in use" },
        { "already bound", &bound, 0, 40020, "Invalid operation at current state" },
        { "negative port", nullptr, -1, 10022, "Invalid argument" },
        { "port above 65535", nullptr, 65536, 10022, "Invalid argument" },
    };
    if (::geteuid() != 0) // root may bind it
        cases.push_back({ "privileged port", nullptr, 514, 10013, "Permission denied" });
    for (const Case& c : cases) {
        UdpSocket fresh;
        UdpSocket& target = c.socket ? *c.socket : fresh;
        try {
            target.bind(c.port);
            ADD_FAILURE() << c.name << ": bind succeeded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << c.name << ": " << failure.what();
            EXPECT_TRUE(failure.description().startsWith(QLatin1String(c.reason)))
                << c.name << ": " << failure.what();
        }
        EXPECT_EQ(fresh.state(), 0) << c.name;
    }

    // The first binding goes on receiving.
    EXPECT_EQ(bound.state(), 1);
    EXPECT_EQ(bound.localPort(), boundPort);
    Collector collector(bound);
    Sender(boundPort).send("still here");
    ASSERT_TRUE(waitFor([&] { return !collector.texts.isEmpty(); }));
    EXPECT_EQ(collector.texts, QStringList { "still here" });
}

} // namespace
} // namespace corvane::platform
