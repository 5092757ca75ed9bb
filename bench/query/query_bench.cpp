// The program's two heavy queries through the dialect layer: the recent-log
// query on 2,000,000 rows and the 24-hour zone query with 1,000,000 rows in
// its window.
#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/db/statement.h"
#include "platform/db/transaction.h"
#include "program_folder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <cstdio>

using namespace corvane::platform::db;

namespace {

// Rows spread over two days, so about half fall into the last 24 hours.
void fill(Connection& connection, int rows, const QDateTime& now)
{
    Transaction transaction(connection);
    Statement insert(connection,
        QStringLiteral("INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd]) "
                       "VALUES (?1, ?2, ?3, ?4)"));
    const QString zones[]
        = { QStringLiteral("Trust"), QStringLiteral("Untrust"), QStringLiteral("DMZ"), QStringLiteral("0") };
    for (int i = 0; i < rows; ++i) {
        const QDateTime at = now.addSecs(-static_cast<qint64>(i % 172800));
        insert.bind(1, Value(zones[i % 4]));
        insert.bind(2, Value(QStringLiteral("192.0.2.%1").arg(i % 250)));
        insert.bind(3, Value(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        insert.bind(4, Value(static_cast<double>(i % 1500)));
        insert.step();
        insert.reset();
    }
    transaction.commit();
}

double millisecondsFor(const Connection& connection, const QString& query, long long* rows)
{
    QElapsedTimer timer;
    timer.start();
    ResultSet result(connection, query, QueryAccess::ReadOnly);
    *rows = result.recordCount();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    corvane::testing::ProgramFolder folder;
    const QDateTime now = QDateTime::currentDateTime();
    Connection connection(folder.databasePath());
    fill(connection, 2'000'000, now);

    long long rows = 0;
    millisecondsFor(connection, QStringLiteral("SELECT TOP 500 * FROM syslog ORDER BY [logno] desc"), &rows);
    const double recent = millisecondsFor(
        connection, QStringLiteral("SELECT TOP 500 * FROM syslog ORDER BY [logno] desc"), &rows);
    std::printf("recent-log query on 2,000,000 rows: %.1f ms for %lld rows (goal < 50 ms)\n", recent, rows);

    // The bounds as the chart writes them: month first, 12-hour clock.
    const QString form = QStringLiteral("M/d/yyyy h:mm:ss AP");
    const QString zone
        = QStringLiteral("SELECT [src zone=], sum([sent+rcvd]) AS TotalBytes FROM syslog WHERE "
                         "[start_time=]=>#%1# AND [start_time=]<=#%2# GROUP BY [src zone=] ORDER BY "
                         "sum([sent+rcvd]) desc")
              .arg(now.addDays(-1).toString(form), now.toString(form));
    const double zones = millisecondsFor(connection, zone, &rows);
    std::printf(
        "24-hour zone query, about 1,000,000 rows in the window: %.0f ms for %lld zones (goal < 1000 ms)\n",
        zones, rows);
    return 0;
}
