#include "platform/dialogs/file_filter.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

TEST(FileFilter, ConvertsPairsToQtNameFilters)
{
    struct Case {
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        // One entry: the label keeps its "(*.*)"; the pattern lists names without a dot too.
        { "All Files (*.*)|*.*", { "All Files (*.*) (*)" } },
        { "Text (*.txt)|*.txt|All Files (*.*)|*.*", { "Text (*.txt) (*.txt)", "All Files (*.*) (*)" } },
        { "Data|*.csv;*.txt", { "Data (*.csv *.txt)" } },
        { "Data|*.csv; *.csv ;", { "Data (*.csv)" } },
        { "Logs|*.log;*.*", { "Logs (*.log *)" } },
        { "", {} },
        { "Anything|", { "Anything (*)" } },
        { "Lonely", { "Lonely (*)" } },
        { "|*.log", { "*.log (*.log)" } },
        { "A|*.a|", { "A (*.a)" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(qtNameFilters(QString::fromUtf8(c.filter)), c.expected) << c.filter;
}

TEST(FileFilter, AddsDefaultExtensionOnlyToNamesWithoutOne)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = {
        { "/tmp/GymReport", "csv", "/tmp/GymReport.csv" },
        { "/tmp/report.txt", "csv", "/tmp/report.txt" },
        { "/tmp/report.CSV", "csv", "/tmp/report.CSV" },
        { "/tmp/v1.2/report", "csv", "/tmp/v1.2/report.csv" }, // a dot in a folder is no extension
        { "/tmp/.hidden", "csv", "/tmp/.hidden.csv" },
        { "/tmp/report.", "csv", "/tmp/report.csv" },
        { "/tmp/report", ".csv", "/tmp/report.csv" },
        { "/tmp/report", "", "/tmp/report" },
        { "", "csv", "" }, // cancelled stays cancelled
        { "/tmp/", "csv", "/tmp/" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultExtension(QString::fromUtf8(c.path), QString::fromUtf8(c.extension)),
            QString::fromUtf8(c.expected))
            << c.path << " + " << c.extension;
}

} // namespace
} // namespace corvane::platform
