#include "platform/jet/common/date.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace corvane::platform::jet;

namespace {

QString read(const char* text)
{
    const auto value = parseDate(QString::fromUtf8(text), 2026); // the clock's year for texts without one
    return value ? formatCanonical(*value) : QStringLiteral("<none>");
}

TEST(JetDate, ReadsLiteralTextAsJetDoes)
{
    const std::pair<const char*, const char*> cases[] = { // month first, times in both clocks
        { "12/5/2026 3:04:05 PM", "2026-12-05 15:04:05" }, { "12/5/2026", "2026-12-05 00:00:00" },
        { "7/01/2026", "2026-07-01 00:00:00" }, { "12/5/2005 13:4:9", "2005-12-05 13:04:09" },
        { "  12/6/2005 0:0:0  ", "2005-12-06 00:00:00" }, { "12-5-2026", "2026-12-05 00:00:00" },
        { "12/5/2026 12:30:00 PM", "2026-12-05 12:30:00" }, { "12/5/2026 0:15 am", "2026-12-05 00:15:00" },
        { "12/5/2026 3:04:05pm", "2026-12-05 15:04:05" }, { "12/5/2026 3 PM", "2026-12-05 15:00:00" },
        // day/month fallback only when month first is no real date
        { "13/7/2026", "2026-07-13 00:00:00" }, { "13/12/2026", "2026-12-13 00:00:00" },
        { "5/12/2026", "2026-05-12 00:00:00" },
        // ISO
        { "2026-07-01", "2026-07-01 00:00:00" }, { "2026/7/1", "2026-07-01 00:00:00" },
        { "2005-12-28 10:00:00", "2005-12-28 10:00:00" },
        // year window and short years
        { "7/1/29", "2029-07-01 00:00:00" }, { "7/1/30", "1930-07-01 00:00:00" },
        { "7/1/00", "2000-07-01 00:00:00" }, { "7/1/5", "2005-07-01 00:00:00" },
        { "7/1/999", "0999-07-01 00:00:00" }, { "1/1/100", "0100-01-01 00:00:00" },
        // no year: the clock's year
        { "12/5", "2026-12-05 00:00:00" }, { "25/12", "2026-12-25 00:00:00" },
        // month names
        { "1-Jul-2026", "2026-07-01 00:00:00" }, { "1 Jul 2026", "2026-07-01 00:00:00" },
        { "Jul 1, 2026", "2026-07-01 00:00:00" }, { "July 1 2026 3:04 PM", "2026-07-01 15:04:00" },
        { "sEpTeMbEr 30 1999", "1999-09-30 00:00:00" }, { "1 dec", "2026-12-01 00:00:00" },
        { "Jul 2026", "2026-07-01 00:00:00" },
        // time only: the zero date
        { "15:04", "1899-12-30 15:04:00" }, { "12:00:00 AM", "1899-12-30 00:00:00" },
        { "3 PM", "1899-12-30 15:00:00" },
        // calendar and leap years
        { "2/29/2028", "2028-02-29 00:00:00" }, { "2/29/2000", "2000-02-29 00:00:00" },
        { "12/31/9999 23:59:59", "9999-12-31 23:59:59" }
    };
    for (const auto& [text, canonical] : cases)
        EXPECT_EQ(read(text), QString::fromUtf8(canonical)) << "text: '" << text << "'";
    const char* const refused[] = { "", "   ", "2/30/2026", "13/13/2026", "2/29/2026", "2/29/1900",
        "1/1/0099", "1/1/10000", "2005-13-45 10:00:00", "2026-02-30", "12/5/2026 24:00:00",
        "12/5/2026 13:00 PM", "12/5/2026 10:60", "12/5/2026 10:00:60", "12/5/2026 10:00:00.5",
        "12/5/2026 10::00", "12/5/2026 1:2:3:4", "12/5-2026", "12.5.2026", "2026", "12/5/2026 3", "PM",
        "Juli 1 2026", "Jul Aug 2026", "\"2005-03-16 16:33:2", "\\\"2005-03-16 16:33:2", "filter1", "0" };
    for (const char* text : refused)
        EXPECT_EQ(read(text), QStringLiteral("<none>")) << "text: '" << text << "'";
}

TEST(JetDate, CanonicalFormIsStrict)
{
    for (const char* text : { "2026-12-05 15:04:05", "1899-12-30 00:00:00", "0100-01-01 00:00:00" }) {
        const auto value = parseCanonical(QString::fromUtf8(text));
        EXPECT_EQ(value ? formatCanonical(*value) : QStringLiteral("<none>"), QString::fromUtf8(text));
    }
    for (const char* text : { "2026-12-05", "2026-12-05T15:04:05", "2026-12-05 15:04:5 ",
             "2026-02-29 00:00:00", "2026-12-05 24:00:00", "0099-12-31 23:59:59", "2026-1a-05 15:04:05" })
        EXPECT_FALSE(parseCanonical(QString::fromUtf8(text)).has_value()) << text;
}

TEST(JetDate, SerialNumbersFollowJetsNegativeRuleRoundingAndRange)
{
    const std::pair<double, const char*> cases[] = { { 0.0, "1899-12-30 00:00:00" },
        { 0.5, "1899-12-30 12:00:00" }, { 1.0, "1899-12-31 00:00:00" }, { -1.0, "1899-12-29 00:00:00" },
        { -1.25, "1899-12-29 06:00:00" }, { -2.75, "1899-12-28 18:00:00" }, { 2.0, "1900-01-01 00:00:00" },
        { 61.0, "1900-03-01 00:00:00" }, // 1900 is no leap year
        { 38714.416666666664, "2005-12-28 10:00:00" }, { 46361.62783564815, "2026-12-05 15:04:05" },
        { -657434.0, "0100-01-01 00:00:00" }, { 2958465.0, "9999-12-31 00:00:00" } };
    for (const auto& [serial, text] : cases) {
        const auto value = fromSerial(serial);
        ASSERT_TRUE(value.has_value()) << serial;
        EXPECT_EQ(formatCanonical(*value), QString::fromUtf8(text)) << serial;
        // and back: the same serial to within half a second
        EXPECT_NEAR(toSerial(*value), serial, 0.5 / 86400) << text;
    }
    // 23:59:59.7 rounds over midnight to the next day, also before the zero date.
    EXPECT_EQ(formatCanonical(*fromSerial(1.0 + 86399.7 / 86400)), QStringLiteral("1900-01-01 00:00:00"));
    EXPECT_EQ(formatCanonical(*fromSerial(-1.0 - 86399.7 / 86400)), QStringLiteral("1899-12-30 00:00:00"));
    const double refused[] = { -657435.0, 2958466.0, NAN, INFINITY, -INFINITY, 1e300 };
    for (double serial : refused)
        EXPECT_FALSE(fromSerial(serial).has_value()) << serial;
}

} // namespace
