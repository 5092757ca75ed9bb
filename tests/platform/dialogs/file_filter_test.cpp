#include "platform/dialogs/file_filter.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

TEST(FileFilter, ConvertsPairsToQtNameFilters)
{
    const std::pair<const char*, QStringList> cases[] = {
        // The label keeps its "(*.*)"; the pattern lists names without a dot too.
        { "Text (*.txt)|*.txt|All Files (*.*)|*.*", { "Text (*.txt) (*.txt)", "All Files (*.*) (*)" } },
        { "Data|*.csv; *.txt ; ;*.csv", { "Data (*.csv *.txt)" } }, { "", {} },
        { "Anything|", { "Anything (*)" } }, { "|*.log", { "*.log (*.log)" } }, { "A|*.a|", { "A (*.a)" } }
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(qtNameFilters(QString::fromUtf8(filter)), expected) << filter;
}

TEST(FileFilter, AddsDefaultExtensionOnlyToNamesWithoutOne)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = { { "/tmp/GymReport", "csv", "/tmp/GymReport.csv" },
        { "/tmp/report.txt", "csv", "/tmp/report.txt" },
        { "/tmp/v1.2/report", "csv", "/tmp/v1.2/report.csv" }, // a dot in a folder is no extension
        { "/tmp/.hidden", "csv", "/tmp/.hidden.csv" }, { "/tmp/report.", "csv", "/tmp/report.csv" },
        { "/tmp/report", ".csv", "/tmp/report.csv" }, { "", "csv", "" }, // cancelled stays cancelled
        { "/tmp/", "csv", "/tmp/" } };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultExtension(QString::fromUtf8(c.path), QString::fromUtf8(c.extension)),
            QString::fromUtf8(c.expected))
            << c.path << " + " << c.extension;
}

} // namespace
} // namespace corvane::platform
