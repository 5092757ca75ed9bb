#include "base/clock.h"
#include "base/error_logger.h"
#include "base/field_keys.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "loopback_sender.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"
#include "scripted_dialogs.h"
#include "traffic_lines.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::db::ResultSet;

const QString& Complete = testing::CompleteLine;
const QString& LackingThree = testing::LineLackingThree;

QString failureBox(const platform::failure::Code& code)
{
    return ErrorLogger::failureMessage(code.make());
}

// A session on a real database and a real socket on a port the system picks,
// as the window and the service run it; what it shows is recorded.
class CaptureSessionTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }

    void open(bool withDatabase = true)
    {
        if (withDatabase)
            database = std::make_unique<LogDatabase>(engine, folder.databasePath(), keys);
        session = std::make_unique<CaptureSession>(
            keys, clock, logger, dialogs, [this] { return database.get(); });
        QObject::connect(
            session.get(), &CaptureSession::messageShown, [this](const QString& t) { message = t; });
        QObject::connect(
            session.get(), &CaptureSession::missedCountShown, [this](const QString& t) { missed = t; });
        QObject::connect(
            session.get(), &CaptureSession::loggedCountShown, [this](const QString& t) { logged = t; });
        QObject::connect(session.get(), &CaptureSession::sizeShown, [this](const QString& t) { size = t; });
        ASSERT_TRUE(session->startCapture(
            QStringLiteral("192.168.1.1"), QStringLiteral("2350"), QStringLiteral("0")));
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
        const long long before = session->statistics().received;
        for (const QByteArray& datagram : datagrams)
            to.send(datagram);
        testing::waitFor([&] { return session->statistics().received >= before + datagrams.size(); });
        ASSERT_EQ(session->statistics().received, before + datagrams.size());
    }

    long long count(const QString& sql) const
    {
        return ResultSet(engine.open(folder.databasePath()), sql).value(0).toInt64();
    }

    testing::ProgramFolder folder;
    testing::ScriptedDialogs dialogs;
    ErrorLogger logger { folder.path(), dialogs };
    platform::db::DatabaseEngine engine;
    FieldKeys keys;
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    std::unique_ptr<LogDatabase> database;
    std::unique_ptr<CaptureSession> session;
    QString message;
    QString missed;
    QString logged;
    QString size;
};

TEST_F(CaptureSessionTest, StoresOneRowPerDatagramAndOneMissedRowPerLackingKey)
{
    send({ Complete, LackingThree });
    EXPECT_EQ(message, LackingThree);
    EXPECT_EQ(logged, "2");
    EXPECT_EQ(session->missedText(), "3");
    EXPECT_EQ(missed, "3");
    EXPECT_EQ(size, QString::number(database->DatabaseFileSize()) + " Bytes");

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

TEST_F(CaptureSessionTest, WithoutTableMissedOnlyTheMissedAppendFails)
{
    session.reset();
    database.reset();
    platform::db::Connection(engine.open(folder.databasePath())).execute(QStringLiteral("DROP TABLE missed"));
    open();
    dialogs.expectBox(ErrorLogger::failureMessage(platform::Failure(3078,
        QStringLiteral(
            "The database engine cannot find the input table or query 'missed'. Make sure it exists "
            "and that its name is spelled correctly."))));
    send({ Complete, LackingThree });
    dialogs.verifyAllUsed();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 1);
    EXPECT_EQ(logged, "1");
    EXPECT_EQ(session->missedText(), "1"); // counted and shown before its append failed
    EXPECT_EQ(missed, "1");
}

TEST_F(CaptureSessionTest, WithoutADatabaseTheFirstMissingKeyIsCountedBeforeTheAppendFails)
{
    session.reset();
    database.reset();
    open(false);
    dialogs.expectBox(failureBox(platform::failure::ObjectNotSet));
    dialogs.expectBox(failureBox(platform::failure::ObjectNotSet));
    send({ Complete, LackingThree });
    dialogs.verifyAllUsed();
    EXPECT_EQ(session->missedText(), "1");
    EXPECT_EQ(missed, "1");
    EXPECT_TRUE(logged.isEmpty());
}

TEST_F(CaptureSessionTest, TheSizeLimitStopsCaptureOnceTheLogIsCheckpointed)
{
    // Just below the limit the log's copies of pages push the size over; a
    // checkpoint brings it back under, and capture goes on.
    send({ Complete });
    const qint64 data = database->DatabaseFileSize();
    ASSERT_GT(QFileInfo(folder.databasePath() + "-wal").size(), 0);
    const qint64 margin = MaxDatabaseBytes - data - 1;
    database->setFileSizeSource([&] { return database->DatabaseFileSize() + margin; });
    send({ Complete });
    EXPECT_EQ(session->socket().state(), 1);
    EXPECT_TRUE(dialogs.boxes().empty());
    EXPECT_EQ(QFileInfo(folder.databasePath() + "-wal").size(), 0);

    // Exactly the limit does not stop; past it, the warning, then Stop
    // Capture, and the row stays.
    database->setFileSizeSource([] { return MaxDatabaseBytes; });
    send({ Complete });
    EXPECT_EQ(size, "1950000000 Bytes");
    EXPECT_EQ(session->socket().state(), 1);
    database->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    dialogs.expectBox({ QString(MaximumSizeMessage), platform::MessageAnswer::Ok,
        QStringLiteral("Corvane(Beta)"), platform::MessageIcon::None, {} });
    send({ Complete });
    dialogs.verifyAllUsed();
    EXPECT_EQ(size, "1950000001 Bytes");
    EXPECT_EQ(session->socket().state(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM syslog")), 4);
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
