#include "analysis/chart_builder.h"
#include "base/archive_files.h"
#include "base/new_database.h"
#include "chart_database.h"
#include "platform/db/sole_access.h"

#include <QScopeGuard>
#include <gtest/gtest.h>
#include <time.h>

namespace corvane {
namespace {

class ChartBuilderTest : public testing::ChartTest {
protected:
    ChartGrid build(std::int16_t source)
    {
        return ChartBuilder(state, logger, clock, QLocale(QLocale::English, QLocale::UnitedStates))
            .build(source);
    }
};

// The 24 hours include both ends; "Top 10" sets no limit.
TEST_F(ChartBuilderTest, ZoneTrafficChartsEveryZoneLargestFirst)
{
    const auto row = [](const QString& zone, const QDateTime& start, const QString& bytes) {
        return QStringLiteral("('%1', '%2', %3)")
            .arg(zone, start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), bytes);
    };
    EXPECT_TRUE(build(ZoneTrafficSource).empty()) << "no rows: an empty chart, no failure";
    // At midnight the bounds are the dates alone.
    for (const QDateTime& now : { testing::Afternoon, QDateTime(QDate(2026, 12, 5), QTime(0, 0)) }) {
        clock.set(now);
        const QDateTime from = now.addDays(-1);
        QStringList rows = { row("Trust", from, "100"), row("Trust", now, "50"),
            row("Trust", from.addSecs(-1), "1000"), row("Trust", now.addSecs(1), "1000"),
            row("0", now.addSecs(-60), "20"), row("DMZ", now.addSecs(-60), "NULL") };
        ChartGrid expected = { { "Trust", 150.0 }, { "0", 20.0 } };
        for (int zone = 11; zone >= 1; --zone) {
            rows << row(QStringLiteral("Z%1").arg(zone), now.addSecs(-zone), QString::number(zone));
            expected.push_back({ QStringLiteral("Z%1").arg(zone), static_cast<double>(zone) });
        }
        expected.push_back({ "DMZ", 0.0 });
        execute(QStringLiteral("DELETE FROM syslog"));
        execute(QStringLiteral("INSERT INTO syslog ([src zone=], [start_time=], [sent+rcvd]) VALUES ")
            + rows.join(QStringLiteral(", ")));
        EXPECT_EQ(build(ZoneTrafficSource), expected) << now.toString().toStdString();
    }
}

// The 24 hours may reach back past a rotation: the archive's rows count.
TEST_F(ChartBuilderTest, ZoneTrafficReadsTheArchivesItsWindowReaches)
{
    const auto store = [&](const char* zone, int secondsAgo, int bytes) {
        execute(
            QStringLiteral(
                "INSERT INTO syslog ([src zone=], [start_time=], [sent+rcvd]) VALUES ('%1', '%2', %3)")
                .arg(QLatin1String(zone),
                    testing::Afternoon.addSecs(-secondsAgo).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                .arg(bytes));
    };
    store("Trust", 7200, 100);
    store("DMZ", 3 * 86400, 1000);
    {
        const auto held = platform::db::SoleAccess::tryTake(state.databasePath);
        ASSERT_TRUE(held);
        archiveAndRenewDatabase(*held, newArchivePath(folder.path(), testing::Afternoon.addSecs(-3600)));
    }
    store("Trust", 60, 5);
    store("Untrust", 60, 7);
    EXPECT_EQ(build(ZoneTrafficSource), (ChartGrid { { "Trust", 105.0 }, { "Untrust", 7.0 } }));
}

// The window starts at the same clock time a day earlier, also when a
// daylight-saving change skips that time on the day before.
TEST_F(ChartBuilderTest, TheDayBeforeIsTheSameClockTimeAcrossDaylightSaving)
{
    const QByteArray previous = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        if (previous.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", previous);
        tzset();
    });
    qputenv("TZ", "Europe/Berlin"); // 2027-03-28 02:00 to 03:00 does not exist
    tzset();
    // Without the zone database the test would run in UTC and prove nothing.
    ASSERT_EQ(QDateTime(QDate(2027, 1, 4), QTime(12, 0)).offsetFromUtc(), 3600);
    clock.set(QDateTime(QDate(2027, 3, 29), QTime(2, 30)));
    execute(QStringLiteral("INSERT INTO syslog ([src zone=], [start_time=], [sent+rcvd]) VALUES "
                           "('Trust', '2027-03-28 02:30:00', 5), ('Trust', '2027-03-28 03:10:00', 7), "
                           "('Early', '2027-03-28 02:29:59', 1)"));
    const ChartGrid zones = build(ZoneTrafficSource);
    EXPECT_EQ(zones, (ChartGrid { { "Trust", 12.0 } }));
}

// Each count asks on its own: a failing one is reported once and counts 0,
// the other rows are still built.
TEST_F(ChartBuilderTest, StatusCountsQuoteTheTypeAndReportEachFailingCount)
{
    EXPECT_TRUE(build(StatusCountSource).empty()) << "no types: an empty chart, no failure";
    execute(QStringLiteral(
        "INSERT INTO Statustype ([Status Type]) VALUES ('Active'), ('Members'' Club'), ('Lapsed')"));
    execute(QStringLiteral("INSERT INTO Membershipdetails ([Membership Status]) "
                           "VALUES ('Active'), ('Active'), ('Members'' Club'), ('Members')"));
    const QString CountQuery = QStringLiteral("SELECT COUNT ([Membership Status]) AS TotalRows FROM "
                                              "Membershipdetails WHERE [Membership Status]=%1");
    const char* const QuotedTypes[] = { "'Active'", "'Members'' Club'", "'Lapsed'" };
    struct Case {
        QString sql;
        ChartGrid expected;
        int reports;
    };
    const Case cases[] = {
        { {}, { { "Active", 2 }, { "Members' Club", 1 }, { "Lapsed", 0 } }, 0 },
        { "DROP TABLE Membershipdetails", { { "Active", 0 }, { "Members' Club", 0 }, { "Lapsed", 0 } }, 3 },
    };
    for (const Case& c : cases) {
        if (!c.sql.isEmpty())
            execute(c.sql);
        dialogs.clear();
        for (int i = 0; i < c.reports; ++i)
            dialogs.expectBox(failureText(CountQuery.arg(QString::fromLatin1(QuotedTypes[i]))));
        EXPECT_EQ(build(StatusCountSource), c.expected);
        dialogs.verifyAllUsed();
    }
}

// Six months, oldest first; a month without payments sums to Null, which
// counts 0; each month runs to the last second of its last day.
TEST_F(ChartBuilderTest, MonthlySourcesCountEachOfTheSixMonths)
{
    execute(QStringLiteral(
        "INSERT INTO paymentdetails ([Payment Amount], [payment date]) VALUES "
        "(10.5, '2026-10-01 00:00:00'), (20, '2026-10-20 09:30:00'), "
        "(7, '2026-12-31 00:00:00'), (1000, '2026-12-31 23:59:59'), (99, '2026-06-30 23:59:59')"));
    execute(
        QStringLiteral("INSERT INTO SignIn (MembershipID, [date]) VALUES "
                       "(1, '2026-07-01 00:00:00'), (2, '2026-07-15 00:00:00'), (3, '2026-11-30 23:59:59')"));
    const ChartGrid payments = { { "Jul-26", 0 }, { "Aug-26", 0 }, { "Sep-26", 0 }, { "Oct-26", 30 },
        { "Nov-26", 0 }, { "Dec-26", 1007 } };
    const ChartGrid signIns = { { "Jul-26", 2 }, { "Aug-26", 0 }, { "Sep-26", 0 }, { "Oct-26", 0 },
        { "Nov-26", 1 }, { "Dec-26", 0 } };
    EXPECT_EQ(build(MonthlyPaymentSource), payments);
    EXPECT_EQ(build(MonthlySignInSource), signIns);
}

} // namespace
} // namespace corvane
