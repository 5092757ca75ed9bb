#include "base/clock.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "capture_service.h"
#include "loopback_sender.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/db/statement.h"
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
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUdpSocket>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <thread>

namespace corvane {
namespace {

const QString& Complete = testing::CompleteLine;
const QString& LackingThree = testing::LineLackingThree;

using testing::countIn;

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
        const long long before = service->session().statistics().logged;
        const testing::LoopbackSender to(service->session().socket().boundPort());
        for (int i = 0; i < times; ++i)
            to.send(datagram.toUtf8());
        ASSERT_TRUE(waitFor([&] { return service->session().statistics().logged == before + times; }));
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

// SQLite names a file's log by path: a file another connection holds is
// never put aside, and one put aside stays the file its late readers opened.
TEST_F(CaptureServiceTest, RotatesOnlyAFileNoOtherConnectionHolds)
{
    platform::db::Connection(folder.databasePath())
        .execute(QStringLiteral("UPDATE Report SET t1 = '01/12/2026 00:00:00' WHERE rowid = 1"));
    options.rotate = true;
    options.rotationRetryMs = 0;
    options.sizeLimit = QFileInfo(folder.databasePath()).size(); // a new file is just at the limit
    QProcess other; // a sqlite3 session that has read the file, seen from outside
    other.start(QStringLiteral("sqlite3"), { folder.databasePath() });
    ASSERT_TRUE(other.waitForStarted());
    other.write("SELECT count(*) FROM syslog;\n");
    ASSERT_TRUE(other.waitForReadyRead(10000));
    // In this process, where only the proof sees it.
    auto stale = std::make_optional<platform::db::Connection>(folder.databasePath());
    start();
    send(Complete, 50); // past the limit while both hold the file
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished());
    send(Complete, 50);
    const QString archive = folder.path() + QStringLiteral("/syslog97-20261205-150405.mdb");
    EXPECT_FALSE(QFile::exists(archive));
    EXPECT_EQ(lines().count(QStringLiteral("another program has it open")), 1) << lines().toStdString();
    EXPECT_EQ(folder.errorLogCount(), 1);
    stale->execute(QStringLiteral("UPDATE Report SET t2 = 'kept' WHERE rowid = 1"));
    stale.reset();

    send(Complete);
    ASSERT_TRUE(QFile::exists(archive)) << lines().toStdString();
    send(LackingThree);
    send(Complete, 2);
    // Every datagram in exactly one file; the reports carried over as edited.
    EXPECT_EQ(countIn(archive, QStringLiteral("SELECT count(*) FROM syslog")), 101);
    EXPECT_EQ(countIn(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), 3);
    EXPECT_EQ(countIn(folder.databasePath(), QStringLiteral("SELECT count(*) FROM missed")), 3);
    EXPECT_EQ(reportRows(folder.databasePath()), reportRows(archive));
    EXPECT_TRUE(reportRows(archive).front().contains(QStringLiteral("|kept|")));
    EXPECT_TRUE(lines().contains(QStringLiteral("archived as ") + archive));
    for (const QString& file : { archive, folder.databasePath() }) {
        platform::db::Connection connection(file);
        {
            platform::db::Statement check(connection, QStringLiteral("PRAGMA integrity_check"));
            ASSERT_TRUE(check.step());
            EXPECT_EQ(check.column(0).toText(), "ok") << file.toStdString();
        }
        platform::db::Statement checkpoint(connection, QStringLiteral("PRAGMA wal_checkpoint"));
        ASSERT_TRUE(checkpoint.step());
        EXPECT_EQ(checkpoint.column(0).toInt64(), 0) << file.toStdString(); // not blocked
    }
}

TEST(ArchiveRetention, TheOldestGoFirstUntilBothLimitsHold)
{
    const QDateTime now(QDate(2026, 12, 5), QTime(12, 0));
    const std::vector<Archive> archives = {
        { "a", now.addDays(-30), 400 },
        { "b", now.addDays(-8), 300 },
        { "c", now.addDays(-2), 200 },
    };
    const struct {
        RetentionLimits limits;
        int deleted;
    } cases[] = {
        { {}, 0 },
        { { 7, {} }, 2 },
        { { 30, {} }, 0 }, // exactly the limit stays
        { { {}, 900 }, 0 },
        { { {}, 500 }, 1 }, // 900 - 400 = 500 fits
        { { 40, 200 }, 2 },
        { { 0, {} }, 3 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(archivesPastLimits(archives, c.limits, now).size(), static_cast<std::size_t>(c.deleted));
}

// After each rotation and at the start: the archives past the limits go,
// each said once, but never the current file nor one open elsewhere.
TEST_F(CaptureServiceTest, RetentionDeletesOldArchivesNobodyHasOpen)
{
    const QStringList names = { "syslog97-20261101-000000.mdb", "syslog97-20261102-000000.mdb",
        "syslog97-20261120-000000-2.mdb", "syslog97-20261204-000000.mdb" };
    for (const QString& name : names)
        ASSERT_TRUE(QFile::copy(folder.databasePath(), folder.path() + '/' + name));
    QProcess reader; // a sqlite3 session left open on one of them
    reader.start(QStringLiteral("sqlite3"), { folder.path() + '/' + names[1] });
    ASSERT_TRUE(reader.waitForStarted());
    reader.write("SELECT count(*) FROM syslog;\n");
    ASSERT_TRUE(reader.waitForReadyRead(10000));
    options.retention.keepDays = 10;
    start();
    reader.closeWriteChannel();
    reader.waitForFinished();
    QStringList left = QDir(folder.path()).entryList({ "*.mdb" }, QDir::Files, QDir::Name);
    EXPECT_EQ(left, (QStringList { names[1], names[3], "syslog97.mdb" })) << lines().toStdString();
    EXPECT_EQ(lines().count(QStringLiteral("deleted by the retention limits")), 2);
    EXPECT_EQ(folder.errorLogCount(), 2);
}

TEST_F(CaptureServiceTest, WithoutRotateTheSizeLimitEndsWithStatusThree)
{
    start();
    service->logDatabase()->setFileSizeSource([] { return MaxDatabaseBytes + 1; });
    send(Complete);
    ASSERT_TRUE(waitFor([&] { return exitStatus != -1; }));
    EXPECT_EQ(exitStatus, CaptureService::DatabaseFull);
    EXPECT_TRUE(lines().endsWith(QStringLiteral(
        "received 1, logged 1, keys ignored 0, database 1950000001 bytes, dropped 0, failed 0, "
        "waiting 0\n")))
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
        // Seconds as milliseconds past an int would turn the status off.
        { { "--folder", folder.path(), "--status-every", "3000000" },
            QStringLiteral("--status-every takes") },
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

// The last status line, as numbers by name.
std::map<QString, long long> lastStatus(const QString& err)
{
    static const QRegularExpression line(QStringLiteral("received \\d+,[^\\n]*"));
    static const QRegularExpression field(QStringLiteral("([a-z ]+?) (\\d+)(?: bytes)?(?:,|$)"));
    QString last;
    for (auto it = line.globalMatch(err); it.hasNext();)
        last = it.next().captured(0);
    std::map<QString, long long> status;
    for (auto it = field.globalMatch(last); it.hasNext();) {
        const auto match = it.next();
        status[match.captured(1).trimmed()] = match.captured(2).toLongLong();
    }
    return status;
}

// Every way a service manager or a terminal ends it drains what was
// received; the counts account for every datagram sent.
TEST_F(CaptureServiceProgram, StoresEveryDatagramItReceivedBeforeAnyStopSignal)
{
    constexpr int Burst = 1000;
    int sent = 0;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP, SIGQUIT }) {
        err.clear();
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
        {
            const testing::LoopbackSender to(port);
            to.send(LackingThree.toUtf8());
            for (int i = 0; i < Burst; ++i)
                to.send(Complete.toUtf8());
        }
        sent += Burst + 1;
        ::kill(static_cast<pid_t>(process.processId()), signal); // mid-burst, as far as the service knows
        sending = false;
        reader.join();
        const ServiceRun run = finish();
        ASSERT_EQ(run.exitCode, 0) << signal << run.err.toStdString();
        EXPECT_EQ(readerFailures, 0);
        auto status = lastStatus(run.err);
        EXPECT_EQ(status["received"], Burst + 1) << run.err.toStdString();
        EXPECT_EQ(status["received"], status["logged"] + status["dropped"]);
        EXPECT_EQ(status["waiting"], 0);
        sent -= static_cast<int>(status["dropped"]);
    }
    EXPECT_EQ(countIn(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), sent);
}

// A disk that takes nothing more: one line when it starts, not one per
// datagram; a stop then cannot store what waits, and says how many.
TEST_F(CaptureServiceProgram, AFullDiskAtTheStopEndsWithStatusFiveAndTheCount)
{
    process.setChildProcessModifier([] {
        rlimit cap { 65536, RLIM_INFINITY }; // the log file stops growing here
        ::setrlimit(RLIMIT_FSIZE, &cap);
    });
    start({ "--folder", folder.path(), "--port", "0", "--bind", "127.0.0.1" });
    const int port = waitForPort();
    ASSERT_GT(port, 0) << err.toStdString();
    constexpr int Sent = 300;
    {
        const testing::LoopbackSender to(port);
        for (int i = 0; i < Sent; ++i)
            to.send(Complete.toUtf8());
    }
    QDeadlineTimer deadline(10000);
    while (!err.contains(QStringLiteral("capture waits")) && !deadline.hasExpired()) {
        process.waitForReadyRead(100);
        err += QString::fromLocal8Bit(process.readAllStandardError());
    }
    process.terminate();
    const ServiceRun run = finish();
    EXPECT_EQ(run.exitCode, 5) << run.err.toStdString();
    EXPECT_EQ(run.err.count(QStringLiteral("capture waits")), 1) << run.err.toStdString();
    auto status = lastStatus(run.err);
    EXPECT_EQ(status["received"], Sent);
    EXPECT_GT(status["failed"], 0);
    EXPECT_EQ(status["logged"] + status["failed"] + status["dropped"], Sent);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("stopping with %1 received datagrams not stored").arg(status["failed"])));
    EXPECT_EQ(
        countIn(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), status["logged"]);
}

// The file under its feet: deleted, or another moved over it. Writing stops
// at once, and the file now under the name is left as it was.
TEST_F(CaptureServiceProgram, StopsWithStatusFourWhenItsFileIsDeletedOrReplaced)
{
    testing::ProgramFolder other;
    for (const bool replace : { true, false }) {
        err.clear();
        start({ "--folder", folder.path(), "--port", "0", "--bind", "127.0.0.1" });
        const int port = waitForPort();
        ASSERT_GT(port, 0) << err.toStdString();
        {
            const testing::LoopbackSender to(port);
            for (int i = 0; i < 20; ++i)
                to.send(Complete.toUtf8());
        }
        if (replace) {
            ASSERT_EQ(::rename(QFile::encodeName(other.databasePath()).constData(),
                          QFile::encodeName(folder.databasePath()).constData()),
                0);
        } else {
            ASSERT_TRUE(QFile::remove(folder.databasePath()));
        }
        const ServiceRun run = finish();
        EXPECT_EQ(run.exitCode, 4) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("was deleted or replaced"))) << run.err.toStdString();
        if (!replace)
            continue;
        platform::db::Connection replaced(folder.databasePath());
        {
            platform::db::Statement check(replaced, QStringLiteral("PRAGMA integrity_check"));
            ASSERT_TRUE(check.step());
            EXPECT_EQ(check.column(0).toText(), "ok");
        }
        EXPECT_EQ(countIn(folder.databasePath(), QStringLiteral("SELECT count(*) FROM syslog")), 0);
    }
}

TEST_F(CaptureServiceProgram, HelpPrintsTheUsage)
{
    process.setReadChannel(QProcess::StandardOutput);
    process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-capture"), { "--help" });
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("usage: corvane-capture"));
}

} // namespace
} // namespace corvane
