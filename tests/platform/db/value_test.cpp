#include "platform/db/value.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using corvane::platform::db::Value;

namespace {

TEST(Value, DisplayTextAsAGridShowsIt)
{
    struct Case {
        Value value;
        const char* text;
    };
    const Case cases[] = {
        { Value(), "" },
        { Value(460), "460" },
        { Value(-7LL), "-7" },
        { Value(460.0), "460" },
        { Value(-0.0), "0" },
        { Value(0.5), "0.5" },
        { Value(1.0 / 3), "0.3333333333333333" },
        { Value(123456789012.0), "123456789012" },
        { Value(1e20), "1e+20" },
        { Value(QStringLiteral("12.50")), "12.50" }, // text is never reformatted
        { Value(QString()), "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value.displayText(), QString::fromUtf8(c.text)) << c.text;
}

TEST(Value, NumbersFromEveryStorageClass)
{
    struct Case {
        Value value;
        bool intOk;
        long long asInt;
        bool doubleOk;
        double asDouble;
    };
    const Case cases[] = {
        { Value(), false, 0, false, 0 },
        { Value(42), true, 42, true, 42 },
        { Value(2.5), true, 3, true, 2.5 }, // half away from zero
        { Value(-2.5), true, -3, true, -2.5 },
        { Value(1e30), false, 0, true, 1e30 }, // too large for a whole number
        { Value(QStringLiteral(" 17 ")), true, 17, true, 17 },
        { Value(QStringLiteral("9223372036854775807")), true, std::numeric_limits<long long>::max(), true,
            9.223372036854775807e18 },
        { Value(QStringLiteral("4.6")), true, 5, true, 4.6 },
        { Value(QStringLiteral("12abc")), false, 0, false, 0 },
        { Value(QStringLiteral("")), false, 0, false, 0 },
    };
    for (const Case& c : cases) {
        bool ok = !c.intOk;
        EXPECT_EQ(c.value.toInt64(&ok), c.asInt) << c.value.displayText().toStdString();
        EXPECT_EQ(ok, c.intOk) << c.value.displayText().toStdString();
        ok = !c.doubleOk;
        EXPECT_DOUBLE_EQ(c.value.toDouble(&ok), c.asDouble) << c.value.displayText().toStdString();
        EXPECT_EQ(ok, c.doubleOk) << c.value.displayText().toStdString();
    }
}

} // namespace
