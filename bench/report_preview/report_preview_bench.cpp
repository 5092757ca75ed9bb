// A report of 30,000 rows: how long the preview takes to open (query, grid,
// layout, first paint) and how long EXPORT takes to write the file.
#include "answering_dialogs.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "platform/db/connection.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "platform/grid/grid_widget.h"
#include "program_folder.h"
#include "reports/report_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <cstdio>

using namespace corvane;

namespace {

constexpr int Rows = 30'000;

void fill(const QString& databasePath)
{
    platform::db::Connection connection(databasePath);
    platform::db::Transaction transaction(connection);
    platform::db::Statement insert(connection,
        QStringLiteral(
            "INSERT INTO syslog ([NetScreen device_id=], [start_time=], [duration=], [policy_id=], "
            "[service=], [proto=], [src zone=], [dst zone=], [action=], [sent=], [rcvd=], [src=], [dst=], "
            "[src_port=], [dst_port=], LogDate, [sent+rcvd]) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
            "?10, ?11, ?12, ?13, ?14, ?15, ?2, ?16)"));
    for (int i = 0; i < Rows; ++i) {
        const QString number = QString::number(i);
        insert.bind(1, platform::db::Value(QStringLiteral("ns5gt")));
        insert.bind(2,
            platform::db::Value(QStringLiteral("2026-12-05 %1:%2:00")
                                    .arg(i / 1250 % 24, 2, 10, QLatin1Char('0'))
                                    .arg(i % 60, 2, 10, QLatin1Char('0'))));
        insert.bind(3, platform::db::Value(number));
        insert.bind(4, platform::db::Value(QString::number(i % 40)));
        insert.bind(5, platform::db::Value(QStringLiteral("http")));
        insert.bind(6, platform::db::Value(QStringLiteral("6")));
        insert.bind(7, platform::db::Value(QStringLiteral("Untrust")));
        insert.bind(8, platform::db::Value(QStringLiteral("Trust")));
        insert.bind(9, platform::db::Value(QStringLiteral("Permit")));
        insert.bind(10, platform::db::Value(QString::number(i % 1500)));
        insert.bind(11, platform::db::Value(QString::number(i % 700)));
        insert.bind(12, platform::db::Value(QStringLiteral("192.0.2.%1").arg(i % 250)));
        insert.bind(13, platform::db::Value(QStringLiteral("198.51.100.%1").arg(i % 200)));
        insert.bind(14, platform::db::Value(QString::number(1024 + i % 60000)));
        insert.bind(15, platform::db::Value(QStringLiteral("80")));
        insert.bind(16, platform::db::Value(static_cast<double>(i % 1500 + i % 700)));
        insert.step();
        insert.reset();
    }
    transaction.commit();
}

double milliseconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testing::ProgramFolder folder;
    fill(folder.databasePath());
    const QString exportPath = folder.path() + QStringLiteral("/GymReport.csv");
    bench::AnsweringDialogs dialogs(exportPath);
    SharedState state(folder.path());
    state.databasePath = SharedState::databasePathIn(folder.path());
    state.GridSortOrder = corvane::platform::GridSortOrder::DescendingNext;
    const ErrorLogger logger(folder.path(), dialogs);

    QElapsedTimer timer;
    timer.start();
    ReportPreview preview(state, logger, dialogs, QStringLiteral("SELECT * FROM syslog ORDER BY [logno]"));
    preview.show();
    QApplication::processEvents();
    const double openMs = milliseconds(timer);
    const int shown = preview.grid().grid().rows() - 1;

    timer.restart();
    preview.cmdExport_Click();
    const double exportMs = milliseconds(timer);

    std::printf("preview of %d rows x %d columns: opened in %.0f ms (goal < 2000 ms)\n", shown,
        preview.grid().grid().cols(), openMs);
    std::printf("export of %d lines: %.0f ms, %lld bytes (goal < 2000 ms)\n", shown + 1, exportMs,
        static_cast<long long>(QFileInfo(exportPath).size()));
    return shown == Rows ? 0 : 1;
}
