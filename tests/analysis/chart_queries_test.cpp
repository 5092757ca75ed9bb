#include "analysis/chart_builder.h"
#include "analysis/chart_queries.h"
#include "platform/failure/failure.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using platform::db::Value;

TEST(ChartMonthsTest, SixMonthsOldestFirstEachWithItsOwnYear)
{
    struct Case {
        QDate today;
        QString labels;
        QString firstBounds;
        QString lastBounds;
    };
    const Case cases[] = {
        { { 2027, 1, 31 }, "Aug-26 Sep-26 Oct-26 Nov-26 Dec-26 Jan-27", "#8/01/2026# #8/31/2026 11:59:59 PM#",
            "#1/01/2027# #1/31/2027 11:59:59 PM#" },
        { { 2027, 2, 1 }, "Sep-26 Oct-26 Nov-26 Dec-26 Jan-27 Feb-27", "#9/01/2026# #9/30/2026 11:59:59 PM#",
            "#2/01/2027# #2/28/2027 11:59:59 PM#" },
        { { 2028, 2, 29 }, "Sep-27 Oct-27 Nov-27 Dec-27 Jan-28 Feb-28", "#9/01/2027# #9/30/2027 11:59:59 PM#",
            "#2/01/2028# #2/29/2028 11:59:59 PM#" },
    };
    const auto bounds = [](const ChartMonth& month) { return month.lowerBound + ' ' + month.upperBound; };
    for (const Case& c : cases) {
        const ChartMonths months = monthsEndingIn(c.today, QLocale(QLocale::English, QLocale::UnitedStates));
        QStringList labels;
        for (const ChartMonth& month : months)
            labels << month.label;
        const std::string today = c.today.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(labels.join(' '), c.labels) << today;
        EXPECT_EQ(bounds(months.front()), c.firstBounds) << today;
        EXPECT_EQ(bounds(months.back()), c.lastBounds) << today;
    }
}

// A day-first region must not turn 4 December into 12 April.
TEST(MonthFirstDateTimeTextTest, MonthFirstInADayFirstRegion)
{
    struct Case {
        QDateTime value;
        QString text;
    };
    const Case cases[] = {
        { { { 2026, 12, 4 }, { 15, 4, 5 } }, "12/4/2026 3:04:05 PM" },
        { { { 2026, 12, 5 }, { 0, 0, 0 } }, "12/5/2026" },
        { { { 2026, 12, 5 }, { 0, 0, 1 } }, "12/5/2026 12:00:01 AM" },
        { { { 2026, 1, 9 }, { 12, 0, 0 } }, "1/9/2026 12:00:00 PM" },
    };
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    for (const Case& c : cases)
        EXPECT_EQ(monthFirstDateTimeText(c.value), c.text);
    QLocale::setDefault(previous);
}

TEST(ToChartCountTest, HalfToEvenAndOverflowBeyond32Bits)
{
    struct Case {
        std::optional<Value> value;
        std::optional<std::int32_t> expected; // none: fails
    };
    const Case cases[] = { { std::nullopt, 0 }, { Value(2.5), 2 }, { Value(3.5), 4 }, { Value(-2.5), -2 },
        { Value(std::int64_t { 2147483647 }), 2147483647 },
        { Value(std::int64_t { 2147483648LL }), std::nullopt }, { Value(2147483647.5), std::nullopt } };
    for (const Case& c : cases) {
        const std::string shown = c.value ? c.value->displayText().toStdString() : "no value";
        if (c.expected)
            EXPECT_EQ(toChartCount(c.value), *c.expected) << shown;
        else
            EXPECT_THROW(toChartCount(c.value), platform::Failure) << shown;
    }
}

} // namespace
} // namespace corvane
