#include "platform/db/value.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using corvane::platform::db::Value;

namespace {

TEST(Value, DisplayTextIsWhatTheGridShows)
{
    struct Case {
        Value value;
        const char* text;
    };
    const Case cases[] = {
        { Value(), "" }, { Value(0), "0" },
        { Value(std::int64_t { -9223372036854775807LL - 1 }), "-9223372036854775808" },
        { Value(460.0), "460" }, { Value(-0.0), "0" }, { Value(-12.0), "-12" }, { Value(0.1), "0.1" },
        { Value(0.1 + 0.2), "0.30000000000000004" }, { Value(1.5e-7), "1.5e-07" },
        { Value(123456789012.0), "123456789012" }, { Value(9007199254740992.0), "9007199254740992" },
        { Value(1e20), "1e+20" }, { Value(QStringLiteral("460.0")), "460.0" }, // text stays as written
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.displayText(), QString::fromUtf8(c.text)) << c.text;
    // Embedded NULs survive.
    EXPECT_EQ(Value(QString::fromUtf8("a\0b", 3)).displayText(), QString::fromUtf8("a\0b", 3));
}

TEST(Value, ShortestTextReadsBackToTheSameDouble)
{
    for (double number : { 0.1, 1.0 / 3, 2.0 / 3 * 1e10, 123.456, 1e-300, 5e-324, 1.7976931348623157e308 }) {
        bool ok = false;
        EXPECT_EQ(Value(number).displayText().toDouble(&ok), number);
        EXPECT_TRUE(ok);
    }
}

TEST(Value, Conversions)
{
    struct Case {
        Value value;
        bool intOk;
        std::int64_t asInt;
        bool doubleOk;
        double asDouble;
    };
    const Case cases[] = {
        { Value(), false, 0, false, 0 },
        { Value(42), true, 42, true, 42 },
        { Value(2.5), true, 3, true, 2.5 },
        { Value(-2.5), true, -3, true, -2.5 },
        { Value(1e19), false, 0, true, 1e19 },
        { Value(std::numeric_limits<double>::quiet_NaN()), false, 0, false, 0 },
        { Value(QStringLiteral(" 17 ")), true, 17, true, 17 },
        { Value(QStringLiteral("9223372036854775807")), true, 9223372036854775807LL, true,
            9223372036854775807.0 },
        { Value(QStringLiteral("3.75")), true, 4, true, 3.75 },
        { Value(QStringLiteral("1e3")), true, 1000, true, 1000 },
        { Value(QStringLiteral("12abc")), false, 0, false, 0 },
        { Value(QStringLiteral("")), false, 0, false, 0 },
    };
    for (const Case& c : cases) {
        bool ok = !c.intOk;
        EXPECT_EQ(c.value.toInt64(&ok), c.asInt) << qPrintable(c.value.displayText());
        EXPECT_EQ(ok, c.intOk) << qPrintable(c.value.displayText());
        ok = !c.doubleOk;
        const double asDouble = c.value.toDouble(&ok);
        EXPECT_EQ(ok, c.doubleOk) << qPrintable(c.value.displayText());
        if (c.doubleOk) {
            EXPECT_EQ(asDouble, c.asDouble);
        }
    }
}

TEST(Value, TypeIsKept)
{
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(QStringLiteral("1")));
    EXPECT_NE(Value(), Value(QString()));
    EXPECT_TRUE(Value(QString()).isText());
    EXPECT_TRUE(Value(7u).isInteger());
}

} // namespace
