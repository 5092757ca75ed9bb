#include "base/clock.h"
#include "base/error_logger.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "file_size_cap.h"
#include "loopback_sender.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/db/sqlite_failure.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"
#include "scripted_dialogs.h"
#include "traffic_lines.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QUdpSocket>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::db::ResultSet;

const QString& Complete = testing::CompleteLine;
const QString& LackingThree = testing::LineLackingThree;

// A session on a real database and a real socket on a port the system picks,
// as the window and the service run it; what it shows is recorded.
class CaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }

    void open()
    {
        session = std::make_unique<CaptureSession>(clock, logger, dialogs,
            [this] { return std::make_unique<LogDatabase>(engine, folder.databasePath()); });
        QObject::connect(
            session.get(), &CaptureSession::messageShown, [this](const QString& t) { message = t; });
        QObject::connect(
            session.get(), &CaptureSession::missedCountShown, [this](const QString& t) { missed = t; });
        QObject::connect(
            session.get(), &CaptureSession::loggedCountShown, [this](const QString& t) { logged = t; });
        QObject::connect(session.get(), &CaptureSession::sizeShown, [this](const QString& t) { size = t; });
        QObject::connect(session.get(), &CaptureSession::stateShown, [this](int s) { state = s; });
        QObject::connect(
            session.get(), &CaptureSession::noticeShown, [this](const QString& t) { notices << t; });
        QObject::connect(session.get(), &CaptureSession::drained, [this] { ++drains; });
        start();
    }
    void start()
    {
        ASSERT_TRUE(session->startCapture(
            QStringLiteral("192.168.1.1"), QStringLiteral("2350"), QStringLiteral("0")));
    }
    // Stop Capture, then waits until what was received is stored.
    void stop()
    {
        const int before = drains;
        session->stopCapture();
        ASSERT_TRUE(testing::waitFor([&] { return drains > before; }));
    }

    // Sends the datagrams and waits until each has been handled.
    void send(const QStringList& datagrams)
    {
        QList<QByteArray> bytes;
        for (const QString& datagram : datagrams)
            bytes.append(datagram.toUtf8());
        sendBytes(bytes);
    }
    void sendBytes(const QList<QByteArray>& datagrams)
    {
        const testing::LoopbackSender to(session->socket().boundPort());
        const long long before = handled();
        for (const QByteArray& datagram : datagrams)
            to.send(datagram);
        testing::waitFor([&] { return handled() >= before + datagrams.size(); });
        ASSERT_EQ(handled(), before + datagrams.size());
    }
    long long handled() const
    {
        const CaptureStatistics s = session->statistics();
        return s.logged + s.failed + s.dropped;
    }

    long long count(const QString& sql) const { return folder.count(sql); }

    testing::ProgramFolder folder;
    testing::ScriptedDialogs dialogs;
    ErrorLogger logger { folder.path(), dialogs };
    platform::db::DatabaseEngine engine;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    std::unique_ptr<CaptureSession> session;
    QString message;
    QString missed;
    QString logged;
    QString size;
    int state = -1;
    QStringList notices;
    int drains = 0;
};

TEST_F(CaptureSessionTest, StoresOneRowPerDatagramAndOneMissedRowPerLackingKey)
{
    send({ Complete, LackingThree });
    EXPECT_EQ(message, LackingThree);
    EXPECT_EQ(logged, "2");
    EXPECT_EQ(session->missedText(), "3");
    EXPECT_EQ(missed, "3");

    ResultSet rows(engine.open(folder.databasePath()), QStringLiteral("SELECT * FROM syslog ORDER BY logno"));
    ASSERT_EQ(rows.recordCount(), 2);
    EXPECT_EQ(rows.value(QStringLiteral("start_time=")).toText(), "2005-12-28 10:00:00");
    EXPECT_EQ(rows.value(QStringLiteral("LogDate")).toText(), "2026-12-05 15:04:05");
    EXPECT_EQ(rows.value(QStringLiteral("sent+rcvd")).toDouble(), 460.0);
    rows.moveNext();
    // Missing keys hold the number 0; in the date column that is the zero date.
    EXPECT_EQ(rows.value(QStringLiteral("start_time=")).toText(), "1899-12-30 00:00:00");
    EXPECT_EQ(rows.value(QStringLiteral("proto=")).toText(), "0");
    EXPECT_EQ(rows.value(QStringLiteral("dst_port=")).toText(), "0");

    ResultSet missed(engine.open(folder.databasePath()), QStringLiteral("SELECT syslog FROM missed"));
    ASSERT_EQ(missed.recordCount(), 3);
    for (const auto& row : missed.rows())
        EXPECT_EQ(row[0].toText(), LackingThree);
    EXPECT_TRUE(dialogs.boxes().empty());
}

TEST_F(CaptureSessionTest, StoresGarbageAndEmptyDatagramsWithEveryKeyMissing)
{
    sendBytes({ QByteArray("garbage \xff\x00 bytes", 15), QByteArray() });
    EXPECT_EQ(logged, "2");
    EXPECT_EQ(session->missedText(), "30");
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM missed")), 30);
    // Bytes that are not UTF-8 are kept as Latin-1, the NUL included.
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM missed WHERE Len(syslog) = 15")), 15);
}

// A datagram is stored whole or not at all; the same failure again and again
// shows one box, and the log counts the rest.
TEST_F(CaptureSessionTest, WithoutTableMissedEachLackingDatagramFailsWithOneBoxForAll)
{
    session.reset();
    platform::db::Connection(engine.open(folder.databasePath())).execute(QStringLiteral("DROP TABLE missed"));
    open();
    const platform::Failure noTable(3078,
        QStringLiteral(
            "The database engine cannot find the input table or query 'missed'. Make sure it exists "
            "and that its name is spelled correctly."));
    dialogs.expectBox(ErrorLogger::failureMessage(noTable));
    send({ Complete, LackingThree, LackingThree, LackingThree });
    stop();
    dialogs.verifyAllUsed();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 1);
    EXPECT_EQ(logged, "1");
    EXPECT_EQ(session->missedText(), "9"); // counted as they were cut
    const CaptureStatistics s = session->statistics();
    EXPECT_EQ(s.failed, 3);
    EXPECT_EQ(s.received, 4);
    EXPECT_EQ(folder.errorLogCount(), 2);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("the same failure again 2 times")) << notices[0].toStdString();
}

TEST_F(CaptureSessionTest, StartCaptureWithoutItsDatabaseFailsAndStaysOff)
{
    session.reset();
    ASSERT_TRUE(QFile::remove(folder.databasePath()));
    session = std::make_unique<CaptureSession>(clock, logger, dialogs,
        [this] { return std::make_unique<LogDatabase>(engine, folder.databasePath()); });
    dialogs.expectBox(ErrorLogger::failureMessage(
        platform::db::namedFailure(platform::failure::CouldNotFindFile, folder.databasePath())));
    EXPECT_FALSE(session->startCapture(QStringLiteral("h"), QStringLiteral("2350"), QStringLiteral("0")));
    dialogs.verifyAllUsed();
    EXPECT_EQ(session->socket().state(), 0);
}

// The size is the data: what the file holds once the log is copied back,
// however many log pages wait. The limit stops capture once.
TEST_F(CaptureSessionTest, TheSizeShownIsTheDataAndTheLimitStopsCaptureOnce)
{
    QStringList burst;
    for (int i = 0; i < 300; ++i)
        burst << Complete;
    send(burst);
    ASSERT_GT(QFileInfo(folder.databasePath() + "-wal").size(), QFileInfo(folder.databasePath()).size());
    const QString shown = size;
    stop(); // the last connection copies the log back
    EXPECT_EQ(shown, databaseSizeText(QFileInfo(folder.databasePath()).size()));

    // Exactly the limit does not stop; past it, the warning once, then Stop
    // Capture; what was received still goes in.
    start();
    session->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes; });
    send({ Complete });
    EXPECT_EQ(size, "1950000000 Bytes");
    EXPECT_EQ(state, 1);
    session->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    dialogs.expectBox({ QString(MaximumSizeMessage), platform::MessageAnswer::Ok,
        QStringLiteral("Corvane(Beta)"), platform::MessageIcon::None, {} });
    send({ Complete, Complete, Complete });
    ASSERT_TRUE(testing::waitFor([&] { return drains == 2; }));
    dialogs.verifyAllUsed();
    EXPECT_EQ(size, "1950000001 Bytes");
    EXPECT_EQ(state, 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 304);
}

// Stop Capture frees the port at once and still stores every datagram that
// reached it; what the system or the queue dropped is counted, not lost.
TEST_F(CaptureSessionTest, StopCaptureFreesThePortAndStoresWhatWasReceived)
{
    constexpr int Burst = 3000;
    const int port = session->socket().boundPort();
    {
        const testing::LoopbackSender to(port);
        for (int i = 0; i < Burst; ++i)
            to.send(Complete.toUtf8());
    }
    session->stopCapture();
    EXPECT_EQ(state, 0);
    QUdpSocket other;
    EXPECT_TRUE(other.bind(QHostAddress::LocalHost, static_cast<quint16>(port)));
    ASSERT_TRUE(testing::waitFor([&] { return drains == 1; }));
    const CaptureStatistics s = session->statistics();
    EXPECT_EQ(s.received, Burst);
    EXPECT_EQ(s.logged + s.dropped, Burst);
    EXPECT_EQ(s.waiting, 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), s.logged);
    EXPECT_EQ(session->logDatabase(), nullptr); // let go for the service's rotation
}

// A disk that takes nothing more holds the datagrams back, says so once,
// and capture goes on by itself when there is room; a stop that cannot wait
// counts what was not stored.
TEST_F(CaptureSessionTest, AFullDiskHoldsTheDatagramsUntilThereIsRoom)
{
    send({ Complete });
    // Past the first page of the log nothing more goes in; the error log
    // stays below it. The system refuses a write past the cap as a disk error.
    constexpr rlim_t Cap = 4096;
    const QString box = ErrorLogger::failureMessage(platform::Failure(3043,
        "Disk or network error. (disk I/O error) - capture waits and tries again; received datagrams are "
        "kept"));
    dialogs.expectBox(box).expectBox(box);
    {
        testing::FileSizeCap cap(Cap);
        ASSERT_TRUE(cap.capped());
        const testing::LoopbackSender to(session->socket().boundPort());
        for (int i = 0; i < 5; ++i)
            to.send(LackingThree.toUtf8());
        ASSERT_TRUE(
            testing::waitFor([&] { return session->isHolding() && session->statistics().waiting == 5; }));
        EXPECT_EQ(dialogs.boxes().size(), 1u);
        EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM missed")), 0);
    }
    ASSERT_TRUE(testing::waitFor([&] { return session->statistics().logged == 6; }));
    EXPECT_FALSE(session->isHolding());
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 6);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM missed")), 15); // each datagram's rows once
    EXPECT_EQ(session->missedText(), "15");
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains("Storing works again")) << notices[0].toStdString();

    {
        testing::FileSizeCap cap(Cap);
        const testing::LoopbackSender to(session->socket().boundPort());
        for (int i = 0; i < 3; ++i)
            to.send(Complete.toUtf8());
        ASSERT_TRUE(
            testing::waitFor([&] { return session->isHolding() && session->statistics().waiting == 3; }));
        EXPECT_EQ(session->abandon(), 3);
    }
    const CaptureStatistics s = session->statistics();
    EXPECT_EQ(s.failed, 3);
    EXPECT_EQ(drains, 1);
    dialogs.verifyAllUsed();
}

TEST(nextMissedCount, CountsOnFromTheBoxText)
{
    const std::pair<const char*, qint64> cases[] = {
        { "", 1 },
        { "100", 101 },
        { "not a number", 1 },
        { "32767", 32768 },
        { "2.6", 4 },
        { " 7 apples", 8 },
        { "-3", -2 },
        // Values the count cannot hold count as 0 and never stop a datagram.
        { "9223372036854775807", 1 },
        { "1e19", 1 },
        { "1e300", 1 },
        { "1e400", 1 },
    };
    for (const auto& [text, next] : cases)
        EXPECT_EQ(nextMissedCount(QString::fromLatin1(text)), next) << text;
}

} // namespace
} // namespace corvane
