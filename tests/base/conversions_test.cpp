#include "base/conversions.h"
#include "platform/failure/failure.h"

#include <gtest/gtest.h>
#include <limits>

namespace corvane {
namespace {

TEST(Conversions, leadingNumber)
{
    const std::pair<const char*, double> cases[] = { { "12abc", 12 }, { "  7", 7 }, { "-3.5x", -3.5 },
        { "+2", 2 }, { "1e3", 1000 }, { "1e", 1 }, { "1e+x", 1 }, { ".5", 0.5 }, { "5.", 5 }, { "", 0 },
        { "abc", 0 }, { "-", 0 }, { "1 2", 1 }, { "0x10", 0 }, { "\t4", 4 } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(leadingNumber(QString::fromLatin1(text)), expected) << text;
    EXPECT_THROW(leadingNumber(u"1e999"), platform::Failure);
}

TEST(Conversions, ToWholeNumberRoundsHalfToEvenAndChecksRange)
{
    struct Case {
        const char* text;
        std::int32_t expected;
        int failure; // 0: converts
    };
    const Case cases[]
        = { { " 514 ", 514, 0 }, { "2.5", 2, 0 }, { "3.5", 4, 0 }, { "-2.5", -2, 0 }, { "514.6", 515, 0 },
              { "1e3", 1000, 0 }, { "2147483647", 2147483647, 0 }, { "-2147483648", -2147483647 - 1, 0 },
              { "2147483648", 0, 6 }, { "", 0, 13 }, { "abc", 0, 13 }, { "12abc", 0, 13 } };
    for (const Case& c : cases) {
        int failure = 0;
        try {
            EXPECT_EQ(toWholeNumber(QString::fromLatin1(c.text)), c.expected) << c.text;
        } catch (const platform::Failure& f) {
            failure = f.number();
        }
        EXPECT_EQ(failure, c.failure) << c.text;
    }
    EXPECT_THROW(toWholeNumber(std::numeric_limits<double>::infinity()), platform::Failure);
}

} // namespace
} // namespace corvane
