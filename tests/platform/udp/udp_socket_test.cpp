#include "platform/failure/failure.h"
#include "platform/udp/udp_socket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

// A plain sender on loopback.
class Sender {
public:
    explicit Sender(int port) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0))
    {
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(static_cast<std::uint16_t>(port));
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    ~Sender() { ::close(m_fd); }
    void send(const QByteArray& bytes)
    {
        ::sendto(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0,
                 reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
    }

private:
    int m_fd;
    sockaddr_in m_to{};
};

// Spins the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Collector {
    explicit Collector(UdpSocket& socket)
    {
        QObject::connect(&socket, &UdpSocket::dataArrival, [&socket, this] { texts << socket.readDatagram(); });
    }
    QStringList texts;
};

TEST(UdpSocket, DeliversEveryDatagramInOrderFromAnySender)
{
    UdpSocket socket;
    socket.setRemoteHost(QStringLiteral("192.168.1.1")); // not the sender: filters nothing
    socket.setRemotePort(2350);
    EXPECT_EQ(socket.state(), 0);
    socket.bind(0);
    EXPECT_EQ(socket.state(), 1);
    ASSERT_GT(socket.boundPort(), 0);
    Collector collector(socket);

    Sender sender(socket.boundPort());
    for (int i = 0; i < 2000; ++i)
        sender.send(QByteArray::number(i));
    ASSERT_TRUE(waitFor([&] { return collector.texts.size() == 2000; })) << collector.texts.size();
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(collector.texts[i], QString::number(i));
    socket.close();
    EXPECT_EQ(socket.state(), 0);
}

TEST(UdpSocket, KeepsABurstThatArrivesWhileTheGuiThreadIsBlocked)
{
    UdpSocket socket;
    socket.bind(0);
    Collector collector(socket);
    Sender sender(socket.boundPort());
    const int count = 50000;
    const QByteArray padding(200, 'x');
    for (int i = 0; i < count; ++i)
        sender.send(QByteArray::number(i) + ' ' + padding);
    QThread::sleep(2); // the GUI thread is busy; the receiver thread is not

    ASSERT_TRUE(waitFor([&] { return collector.texts.size() == count; }, 60000)) << collector.texts.size();
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(collector.texts[i].startsWith(QString::number(i) + ' ')) << i;
}

TEST(UdpSocket, HoldsDatagramsBackWhileAHandlerRunsANestedLoop)
{
    UdpSocket socket;
    socket.bind(0);
    Sender sender(socket.boundPort());
    QStringList order;
    int depth = 0;
    int deepest = 0;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        const QString text = socket.readDatagram();
        order << text;
        if (text == QLatin1String("first")) {
            // As a modal box would: a nested loop while more datagrams arrive.
            sender.send("second");
            sender.send("third");
            QEventLoop modal;
            QTimer::singleShot(300, &modal, &QEventLoop::quit);
            modal.exec();
            order << QStringLiteral("box closed");
        }
        --depth;
    });
    sender.send("first");
    ASSERT_TRUE(waitFor([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (QStringList{"first", "box closed", "second", "third"}));
    EXPECT_EQ(deepest, 1);
}

TEST(UdpSocket, CloseDiscardsWhatWasNotHandled)
{
    UdpSocket socket;
    socket.bind(0);
    Collector collector(socket);
    Sender sender(socket.boundPort());
    for (int i = 0; i < 100; ++i)
        sender.send("pending");
    QThread::msleep(300); // let the receiver queue them; nothing handled yet
    socket.close();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(collector.texts.isEmpty());

    // A new bind starts afresh.
    socket.bind(0);
    Sender again(socket.boundPort());
    again.send("fresh");
    ASSERT_TRUE(waitFor([&] { return !collector.texts.isEmpty(); }));
    EXPECT_EQ(collector.texts, QStringList{"fresh"});
}

TEST(UdpSocket, CloseInsideTheHandlerStopsDelivery)
{
    UdpSocket socket;
    socket.bind(0);
    Sender sender(socket.boundPort());
    int handled = 0;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] {
        ++handled;
        socket.close();
    });
    for (int i = 0; i < 50; ++i)
        sender.send("x");
    ASSERT_TRUE(waitFor([&] { return handled > 0; }));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(socket.state(), 0);
}

TEST(UdpSocket, BindFailuresNameTheReason)
{
    UdpSocket other;
    other.bind(0);
    UdpSocket bound;
    bound.bind(0);

    struct Case {
        const char* name;
        UdpSocket* socket; // null: a fresh socket
        int port;
        int number;
    };
    const std::vector<Case> cases = {
        {"port in use", nullptr, other.boundPort(), 10048},
        {"already bound", &bound, 0, 40020},
        {"negative port", nullptr, -1, 10022},
        {"port above 65535", nullptr, 65536, 10022},
    };
    for (const Case& c : cases) {
        UdpSocket fresh;
        UdpSocket& target = c.socket ? *c.socket : fresh;
        try {
            target.bind(c.port);
            ADD_FAILURE() << c.name << ": bind succeeded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << c.name << ": " << failure.what();
        }
        EXPECT_EQ(fresh.state(), 0) << c.name;
    }
    EXPECT_EQ(bound.state(), 1); // the first binding goes on

    if (::geteuid() != 0) {
        UdpSocket privileged;
        try {
            privileged.bind(514);
            ADD_FAILURE() << "bound a privileged port without the right";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 10013) << failure.what();
        }
    }
}

TEST(UdpSocket, DeliversTheLargestAndTheEmptyDatagram)
{
    UdpSocket socket;
    socket.bind(0);
    QList<QByteArray> received;
    QObject::connect(&socket, &UdpSocket::dataArrival, [&] { received << socket.datagramBytes(); });
    Sender sender(socket.boundPort());
    const QByteArray largest(65507, 'z');
    sender.send(QByteArray());
    sender.send(largest);
    ASSERT_TRUE(waitFor([&] { return received.size() == 2; }));
    EXPECT_TRUE(received[0].isEmpty());
    EXPECT_EQ(received[1], largest);
}

} // namespace
} // namespace corvane::platform
