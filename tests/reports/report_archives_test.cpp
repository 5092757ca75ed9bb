// Reports over a database and its archives give what one file that was never
// rotated gives, byte for byte, for every shipped report and user reports of
// each shape; archives the date range leaves out are not read.
#include "base/archive_files.h"
#include "base/new_database.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/file_set_cursor.h"
#include "platform/db/grouped_scan.h"
#include "platform/db/sole_access.h"
#include "platform/db/statement.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "reports/export_format.h"
#include "reports/report_catalogue.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace corvane {
namespace {

namespace db = platform::db;
using testing::ProgramFolder;

const QDateTime FirstDay(QDate(2026, 11, 1), QTime(0, 0));
constexpr int Days = 6;
constexpr int RowsPerDay = 500;

// Rows as capture stores them, a few keys in two spellings in the current file,
// times out of order
// only, so that grouping across files meets both the easy and the hard case.
void storeDay(const QString& database, int day)
{
    db::Connection connection(database);
    connection.execute(QStringLiteral("BEGIN"));
    db::Statement insert(connection,
        QStringLiteral("INSERT INTO syslog ([start_time=], [src=], [dst=], [service=], [policy_id=], "
                       "[action=], [src zone=], [sent+rcvd]) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        db::Statement::Lifetime::Persistent);
    QRandomGenerator random(static_cast<quint32>(day + 1));
    const char* services[] = { "http", "dns", "smtp", "ssh" };
    for (int r = 0; r < RowsPerDay; ++r) {
        QDateTime at = FirstDay.addDays(day).addSecs(random.bounded(86400));
        // Firewalls' clocks disagree: files overlap in time, and some rows
        // of different files carry the very same time.
        if (r % 41 == 0)
            at = at.addDays(-1);
        else if (r % 43 == 0)
            at = FirstDay.addDays(2).addSecs(43200);
        QString source = QStringLiteral("10.0.0.%1").arg(random.bounded(40));
        if (day == Days - 2 && r % 7 == 0)
            source = QStringLiteral("Host-%1").arg(random.bounded(3));
        else if (r % 11 == 0)
            source = QStringLiteral("host-%1").arg(random.bounded(3));
        const db::Value values[] = { db::Value(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
            db::Value(source), db::Value(QStringLiteral("192.0.2.%1").arg(random.bounded(25))),
            db::Value(QString::fromLatin1(services[random.bounded(4)])),
            db::Value(static_cast<long long>(random.bounded(5))),
            db::Value(QString::fromLatin1(r % 5 == 0 ? "Deny" : "Permit")),
            db::Value(QString::fromLatin1(r % 3 == 0 ? "Untrust" : "Trust")),
            r % 13 == 0 ? db::Value() : db::Value(static_cast<double>(random.bounded(100000))) };
        for (int c = 0; c < 8; ++c)
            insert.bind(c + 1, values[c]);
        insert.step();
        insert.reset();
    }
    connection.execute(QStringLiteral("INSERT INTO missed (syslog) VALUES ('day %1')").arg(day));
    connection.execute(QStringLiteral("COMMIT"));
}

void rotate(const ProgramFolder& folder, int day)
{
    const std::optional<db::SoleAccess> held = db::SoleAccess::tryTake(folder.databasePath());
    ASSERT_TRUE(held);
    archiveAndRenewDatabase(*held, newArchivePath(folder.path(), FirstDay.addDays(day + 1)));
}

struct Output {
    QByteArray text; // as the export writes it
    QStringList files;
};

Output run(const db::FileSet& files, const QString& query)
{
    const db::DatabaseEngine engine;
    db::FileSetCursor cursor(engine, files, query, db::QueryAccess::ReadOnly);
    Output result { exportLine(cursor.columnNames()), {} };
    for (const QString& path : cursor.filesRead())
        result.files << QFileInfo(path).fileName();
    std::vector<db::Value> row;
    QStringList cells;
    while (cursor.next(row)) {
        cells.clear();
        for (const db::Value& value : row)
            cells << value.displayText();
        result.text += exportLine(cells);
    }
    return result;
}

class ReportArchives : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_whole = new ProgramFolder;
        s_rotated = new ProgramFolder;
        for (int day = 0; day < Days; ++day) {
            storeDay(s_whole->databasePath(), day);
            storeDay(s_rotated->databasePath(), day);
            if (day % 2 == 1 && day < Days - 1)
                rotate(*s_rotated, day);
        }
    }
    static void TearDownTestSuite()
    {
        delete s_whole;
        delete s_rotated;
    }

    static QString reportQuery(const QString& name, const QString& from, const QString& to)
    {
        const db::DatabaseEngine engine;
        ReportCatalogue reports(engine, s_whole->databasePath(), db::OpenMode::ReadOnly);
        EXPECT_TRUE(reports.pick(name));
        FilterTexts texts;
        texts[0] = from;
        texts[1] = to;
        texts[2] = QStringLiteral("*1*");
        texts[3] = QStringLiteral("*");
        return reports.queryFor(texts);
    }

    static inline ProgramFolder* s_whole = nullptr;
    static inline ProgramFolder* s_rotated = nullptr;
};

TEST_F(ReportArchives, GiveWhatOneFileGives)
{
    QStringList queries;
    for (const ReportDefinition& report : shippedReports()) {
        for (const auto& [from, to] : { std::pair { "01/11/2026", "30/11/2026" },
                 std::pair { "02/11/2026 12:00:00", "05/11/2026 06:00:00" } })
            queries << reportQuery(report.name, QString::fromLatin1(from), QString::fromLatin1(to));
    }
    queries << QStringLiteral("SELECT TOP 3 [src=], Count(*) AS N, Sum([sent+rcvd]) AS B FROM syslog "
                              "GROUP BY [src=] ORDER BY Count(*) DESC")
            << QStringLiteral(
                   "SELECT TOP 5 [service=], [action=], Avg([sent+rcvd]) FROM syslog "
                   "WHERE [policy_id=] = '2' GROUP BY [service=], [action=] ORDER BY Avg([sent+rcvd])")
            << QStringLiteral("SELECT logno, [src=] FROM syslog WHERE [src=] LIKE 'host*' ORDER BY [src=]")
            << QStringLiteral("SELECT DISTINCT [dst=] FROM syslog ORDER BY [dst=] DESC")
            << QStringLiteral(
                   "SELECT [src=], [start_time=] AS t FROM syslog WHERE [service=] <> 'dns' ORDER BY t DESC")
            << QStringLiteral("SELECT Count(*) FROM missed")
            << QStringLiteral("SELECT [Report Name] FROM Report ORDER BY [Report Name]");
    const long long groupedBefore = db::GroupedScan::completedScans();
    for (const QString& query : queries) {
        const Output whole = run(thisFileOnly(s_whole->databasePath()), query);
        const Output rotated = run(withArchives(s_rotated->databasePath()), query);
        EXPECT_EQ(rotated.text, whole.text) << query.toStdString();
        EXPECT_GT(whole.text.count('\n'), 1) << query.toStdString();
    }
    // The grouped reports merged groups file by file at least once.
    EXPECT_GT(db::GroupedScan::completedScans(), groupedBefore);
}

TEST_F(ReportArchives, ReadOnlyTheFilesTheRangeReaches)
{
    const QString current = QStringLiteral("syslog97.mdb");
    const QStringList archives
        = { QStringLiteral("syslog97-20261103-000000.mdb"), QStringLiteral("syslog97-20261105-000000.mdb") };
    const struct {
        const char* from;
        const char* to;
        QStringList files;
    } cases[] = {
        { "01/11/2026", "30/11/2026", archives + QStringList { current } },
        { "03/11/2026 12:00:01", "04/11/2026", { archives[1], current } },
        { "06/11/2026", "06/11/2026 23:59:59", { current } },
        { "01/11/2025", "02/11/2025", { current } },
    };
    for (const auto& c : cases) {
        const QString query = reportQuery(QStringLiteral("Traffic Between Two Dates"),
            QString::fromLatin1(c.from), QString::fromLatin1(c.to));
        EXPECT_EQ(run(withArchives(s_rotated->databasePath()), query).files, c.files) << c.from;
    }
    EXPECT_EQ(
        run(thisFileOnly(s_rotated->databasePath()), QStringLiteral("SELECT Count(*) FROM syslog")).text,
        QByteArray("Expr1000,\r\n1000,\r\n"));
}

} // namespace
} // namespace corvane
