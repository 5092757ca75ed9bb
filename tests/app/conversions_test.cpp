#include "app/conversions.h"
#include "platform/failure/failure.h"

#include <gtest/gtest.h>

#include <optional>

namespace corvane {
namespace {

TEST(Conversions, LeadingNumber)
{
    const std::vector<std::pair<QString, double>> cases = {
        {"12abc", 12},      {"  7", 7},      {"-3.5x", -3.5}, {"+2", 2},  {"1e3", 1000}, {"1e", 1},
        {"1e+x", 1},        {".5", 0.5},     {"5.", 5},       {"", 0},    {"abc", 0},    {"-", 0},
        {"1 2", 1},         {"0x10", 0},     {"\t4", 4},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LeadingNumber(text), expected) << text.toStdString();
    EXPECT_THROW(LeadingNumber(u"1e999"), platform::Failure);
}

TEST(Conversions, ToWholeNumberRoundsHalfToEvenAndChecksRange)
{
    // nullopt: fails, with the number given in the second member.
    struct Case {
        QString text;
        std::optional<std::int32_t> expected;
        int failure;
    };
    const std::vector<Case> cases = {
        {"514", 514, 0},          {" 514 ", 514, 0},         {"2.5", 2, 0},
        {"3.5", 4, 0},            {"-2.5", -2, 0},           {"514.6", 515, 0},
        {"2147483647", 2147483647, 0}, {"-2147483648", -2147483647 - 1, 0},
        {"2147483648", std::nullopt, 6}, {"", std::nullopt, 13},    {"abc", std::nullopt, 13},
        {"12abc", std::nullopt, 13},  {"1e3", 1000, 0},
    };
    for (const Case& c : cases) {
        if (c.expected) {
            EXPECT_EQ(ToWholeNumber(c.text), *c.expected) << c.text.toStdString();
            continue;
        }
        try {
            ToWholeNumber(c.text);
            ADD_FAILURE() << c.text.toStdString() << " did not fail";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), c.failure) << c.text.toStdString();
        }
    }
    EXPECT_EQ(ToWholeNumber(0.5), 0);
    EXPECT_EQ(ToWholeNumber(1.5), 2);
    EXPECT_THROW(ToWholeNumber(std::numeric_limits<double>::infinity()), platform::Failure);
}

} // namespace
} // namespace corvane
