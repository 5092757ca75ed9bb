// A report read while capture stores into the same file, as the window does
// when VIEW REPORT runs during capture.
#include "base/archive_files.h"
#include "base/background_task.h"
#include "base/clock.h"
#include "base/error_logger.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "loopback_sender.h"
#include "platform/db/database_engine.h"
#include "platform/udp/udp_socket.h"
#include "program_folder.h"
#include "reports/report_rows.h"
#include "scripted_dialogs.h"
#include "traffic_lines.h"
#include "wait_for.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ReportDuringCapture, ReadsOneWholeStateOfTheFileWhileEveryDatagramIsStored)
{
    const testing::ProgramFolder folder;
    testing::ScriptedDialogs dialogs;
    const ErrorLogger logger(folder.path(), dialogs);
    const platform::db::DatabaseEngine engine;
    const FixedClock clock(QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5)));
    CaptureSession session(
        clock, logger, dialogs, [&] { return std::make_unique<LogDatabase>(engine, folder.databasePath()); });
    ASSERT_TRUE(session.startCapture(QStringLiteral("127.0.0.1"), 0));
    const testing::LoopbackSender to(session.socket().boundPort());
    // Each datagram carries its number as its source port, so a row tells
    // which datagram it came from; sent in batches the receive buffer holds.
    int sent = 0;
    auto sendBatch = [&] {
        for (int i = 0; i < 100; ++i)
            to.send(QString(testing::CompleteLine)
                        .replace(QStringLiteral("src_port=25"), QStringLiteral("src_port=%1").arg(++sent))
                        .toUtf8());
    };
    auto allStored = [&] { return testing::waitFor([&] { return session.statistics().logged == sent; }); };
    while (sent < 2000) {
        sendBatch();
        ASSERT_TRUE(allStored());
    }
    const int storedBefore = sent;

    ReportRows report;
    BackgroundTask task;
    sendBatch(); // stored while the report starts
    task.start([&](BackgroundTask& self) {
        readReportRows(engine, withArchives(folder.databasePath()),
            QStringLiteral("SELECT [logno], [src_port=] FROM syslog ORDER BY [logno]"), self, report);
    });
    while (sent < 4000) {
        ASSERT_TRUE(allStored());
        sendBatch();
    }
    ASSERT_TRUE(allStored());
    ASSERT_TRUE(testing::waitFor([&] { return !task.isRunning(); }));

    // One state of the file (a failed read falls short of it): every row
    // stored before the report began, each whole, none missing in between.
    const std::size_t read = report.rows.size();
    EXPECT_GE(read, static_cast<std::size_t>(storedBefore));
    EXPECT_LE(read, static_cast<std::size_t>(sent));
    for (std::size_t row = 0; row < read; ++row) {
        const QString number = QString::number(row + 1);
        ASSERT_EQ(report.rows.row(row), QStringList({ number, number })) << "row " << row;
    }
    // Capture lost nothing and nothing failed.
    EXPECT_EQ(session.statistics().dropped + session.statistics().failed, 0);
    EXPECT_EQ(folder.count(QStringLiteral("SELECT count(*) FROM syslog")), sent);
    EXPECT_EQ(folder.errorLogCount(), 0);
    EXPECT_TRUE(dialogs.boxes().empty());
}

} // namespace
} // namespace corvane
