#include "platform/db/value.h"

#include <gtest/gtest.h>
#include <limits>

using corvane::platform::db::Value;

namespace {

TEST(Value, DisplayTextIsWhatTheGridShows)
{
    const std::pair<Value, const char*> cases[] = {
        { Value(), "" }, { Value(460.0), "460" }, { Value(-0.0), "0" }, { Value(0.1), "0.1" },
        { Value(0.1 + 0.2), "0.30000000000000004" }, // the shortest that reads back
        { Value(1.5e-7), "1.5e-07" }, { Value(9007199254740992.0), "9007199254740992" },
        { Value(1e20), "1e+20" }, { Value(QStringLiteral("460.0")), "460.0" }, // text stays as written
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(value.displayText(), QString::fromUtf8(text)) << text;
}

TEST(Value, ConversionsRoundHalfAwayFromZeroAndRefuseWhatIsNoNumber)
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
        { Value(2.5), true, 3, true, 2.5 },
        { Value(-2.5), true, -3, true, -2.5 },
        { Value(1e19), false, 0, true, 1e19 },
        { Value(std::numeric_limits<double>::quiet_NaN()), false, 0, false, 0 },
        { Value(QStringLiteral(" 17 ")), true, 17, true, 17 },
        // read as a whole number, not through a double
        { Value(QStringLiteral("9223372036854775807")), true, 9223372036854775807LL, true,
            9223372036854775807.0 },
        { Value(QStringLiteral("3.75")), true, 4, true, 3.75 },
        { Value(QStringLiteral("12abc")), false, 0, false, 0 },
    };
    for (const Case& c : cases) {
        bool ok = !c.intOk;
        EXPECT_EQ(c.value.toInt64(&ok), c.asInt) << qPrintable(c.value.displayText());
        EXPECT_EQ(ok, c.intOk) << qPrintable(c.value.displayText());
        ok = !c.doubleOk;
        EXPECT_EQ(c.value.toDouble(&ok), c.asDouble) << qPrintable(c.value.displayText());
        EXPECT_EQ(ok, c.doubleOk) << qPrintable(c.value.displayText());
    }
    // The storage class is part of the value.
    EXPECT_NE(Value(1), Value(1.0));
    EXPECT_NE(Value(1), Value(QStringLiteral("1")));
    EXPECT_NE(Value(), Value(QString()));
}

} // namespace
