#include "base/clock.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "capture_service.h"
#include "loopback_sender.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/dialogs/console_dialogs.h"
#include "platform/failure/failure.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"
#include "traffic_lines.h"
#include "wait_for.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUdpSocket>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace corvane {
namespace {

const QString& Complete = testing::CompleteLine;
const QString& LackingThree = testing::LineLackingThree;

long long count(const QString& database, const QString& sql)
{
    platform::db::DatabaseEngine engine;
    return platform::db::ResultSet(engine.open(database), sql).value(0).toInt64();
}

QStringList reportRows(const QString& database)
{
    platform::db::DatabaseEngine engine;
    platform::db::ResultSet rows(engine.open(database), QStringLiteral("SELECT * FROM Report"));
    QStringList texts;
    for (const auto& row : rows.rows()) {
        QStringList cells;
        for (const auto& cell : row)
            cells.append(cell.toText());
        texts.append(cells.join(QLatin1Char('|')));
    }
    return texts;
}

using testing::waitFor;

// The service in this process, with a fixed clock and its lines in memory.
class CaptureServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stream = open_memstream(&streamText, &streamSize);
        options.folder = folder.path();
        options.port = 0;
        options.bindAddress = QStringLiteral("127.0.0.1");
    }
    void TearDown() override
    {
        service.reset();
        std::fclose(stream);
        std::free(streamText);
    }
    void start()
    {
        service = std::make_unique<CaptureService>(options, dialogs, clock, stream);
        QObject::connect(
            service.get(), &CaptureService::finished, [this](int status) { exitStatus = status; });
        ASSERT_TRUE(service->start());
    }
    void send(const QString& datagram, int times = 1)
    {
        const long long before = service->session().statistics().received;
        const testing::LoopbackSender to(service->session().socket().boundPort());
        for (int i = 0; i < times; ++i)
            to.send(datagram.toUtf8());
        ASSERT_TRUE(waitFor([&] { return service->session().statistics().received == before + times; }));
    }
    QString lines()
    {
        std::fflush(stream);
        return QString::fromLocal8Bit(streamText, static_cast<qsizetype>(streamSize));
    }

    testing::ProgramFolder folder;
    platform::ConsoleDialogs dialogs { stderr };
    FixedClock clock { QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)) };
    CaptureServiceOptions options;
    std::unique_ptr<CaptureService> service;
    std::FILE* stream = nullptr;
    char* streamText = nullptr;
    std::size_t streamSize = 0;
    int exitStatus = -1;
};

TEST_F(CaptureServiceTest, RotatesAFullFileWithoutLosingADatagramAndKeepsTheReports)
{
    platform::db::Connection(folder.databasePath())
        .execute(QStringLiteral("UPDATE Report SET t1 = '01/12/2026 00:00:00' WHERE rowid = 1"));
    const QStringList reports = reportRows(folder.databasePath());
    options.rotate = true;
    start();
    send(Complete, 2);
    // The next row carries the file past the limit: it stays in the full file.
    service->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    send(LackingThree);
    send(Complete, 3);
    EXPECT_EQ(exitStatus, -1);
    EXPECT_EQ(service->session().socket().state(), 1);

    const QString archive = folder.path() + QStringLiteral("/syslog97-20261205-150405.mdb");
    ASSERT_TRUE(QFile::exists(archive)) << lines().toStdString();
    EXPECT_EQ(count(archive, QStringLiteral("SELECT count(*) FROM syslog")), 3);
    EXPECT_EQ(count(archive, QStringLiteral("SELECT count(*) FROM missed")), 3);
    EXPECT_EQ(count(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), 3);
    EXPECT_EQ(count(folder.databasePath(), QStringLiteral("SELECT count(*) FROM missed")), 0);
    EXPECT_EQ(reportRows(folder.databasePath()), reports);
    EXPECT_TRUE(lines().contains(QStringLiteral("archived as ") + archive));
}

TEST_F(CaptureServiceTest, WithoutRotateTheSizeLimitEndsWithStatusThree)
{
    start();
    service->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    send(Complete);
    ASSERT_TRUE(waitFor([&] { return exitStatus != -1; }));
    EXPECT_EQ(exitStatus, CaptureService::DatabaseFull);
    EXPECT_TRUE(lines().endsWith(
        QStringLiteral("received 1, logged 1, keys ignored 0, database 1950000001 bytes, dropped 0\n")))
        << lines().toStdString();
}

// The built corvane-capture, as a service manager runs it.
struct ServiceRun {
    int exitCode = -1;
    QString err;
};

class CaptureServiceProgram : public ::testing::Test {
protected:
    void start(QStringList arguments)
    {
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-capture"), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }
    // The port from the start line.
    int waitForPort()
    {
        static const QRegularExpression startLine(QStringLiteral("capturing on \\S+ port (\\d+)"));
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            process.waitForReadyRead(100);
            err += QString::fromLocal8Bit(process.readAllStandardError());
            if (const auto match = startLine.match(err); match.hasMatch())
                return match.captured(1).toInt();
        }
        return 0;
    }
    ServiceRun finish()
    {
        EXPECT_TRUE(process.waitForFinished(20000));
        err += QString::fromLocal8Bit(process.readAllStandardError());
        return { process.exitCode(), err };
    }

    testing::ProgramFolder folder;
    QProcess process;
    QString err;
};

TEST_F(CaptureServiceProgram, RefusesToStartWithoutItsFilesOrItsPort)
{
    QUdpSocket taken;
    ASSERT_TRUE(taken.bind(QHostAddress::AnyIPv4, 0));
    const QString port = QString::number(taken.localPort());
    const QString missing = folder.path() + QStringLiteral("/none");
    ASSERT_TRUE(QDir().mkdir(missing));
    const std::pair<QStringList, QString> cases[] = {
        { { "--folder", missing, "--port", "0" }, missing + "/syslog97.mdb: no such file" },
        { { "--folder", folder.path(), "--port", port }, QStringLiteral("Address in use") },
        { { "--folder", folder.path(), "--port", "70000" }, QStringLiteral("--port takes 0 to 65535") },
    };
    for (const auto& [arguments, reason] : cases) {
        err.clear();
        start(arguments);
        const ServiceRun run = finish();
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    }
    // The refused bind is in the error log as in the window; nothing was made.
    EXPECT_EQ(folder.errorLogCount(), 1);
    EXPECT_FALSE(QFile::exists(missing + "/syslog97.mdb"));

    ASSERT_TRUE(QFile::remove(folder.errorLogPath()));
    err.clear();
    start({ "--folder", folder.path(), "--port", "0" });
    EXPECT_EQ(finish().exitCode, 2);
    EXPECT_TRUE(err.contains(folder.errorLogPath() + ": no such file")) << err.toStdString();
}

TEST_F(CaptureServiceProgram, StoresEveryDatagramItReceivedBeforeSigterm)
{
    start({ "--folder", folder.path(), "--port", "0", "--bind", "127.0.0.1" });
    const int port = waitForPort();
    ASSERT_GT(port, 0) << err.toStdString();

    // A reader beside the writer, as the window refreshing its grid.
    std::atomic<bool> sending { true };
    std::atomic<int> readerFailures { 0 };
    std::thread reader([&] {
        platform::db::DatabaseEngine engine;
        while (sending) {
            try {
                platform::db::ResultSet(engine.open(folder.databasePath()),
                    QStringLiteral("SELECT TOP 500 * FROM syslog ORDER BY [logno] desc"));
            } catch (const platform::Failure&) {
                ++readerFailures;
            }
        }
    });
    constexpr int Burst = 2000;
    {
        const testing::LoopbackSender to(port);
        to.send(LackingThree.toUtf8());
        for (int i = 0; i < Burst; ++i) {
            to.send(Complete.toUtf8());
            if (i % 10 == 9) // paced so a busy machine drops nothing in the system's buffer
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    sending = false;
    reader.join();
    process.terminate(); // SIGTERM
    const ServiceRun run = finish();
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(readerFailures, 0);

    // The last status line: everything received was stored.
    static const QRegularExpression status(
        QStringLiteral("received (\\d+), logged (\\d+), keys ignored (\\d+)"));
    QRegularExpressionMatch last;
    for (auto it = status.globalMatch(run.err); it.hasNext();)
        last = it.next();
    ASSERT_TRUE(last.hasMatch()) << run.err.toStdString();
    EXPECT_EQ(last.captured(1).toLongLong(), Burst + 1);
    EXPECT_EQ(last.captured(2).toLongLong(), Burst + 1);
    EXPECT_EQ(last.captured(3).toLongLong(), 3);
    EXPECT_EQ(count(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), Burst + 1);
}

} // namespace
} // namespace corvane
