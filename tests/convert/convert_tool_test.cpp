#include "convert_fixtures.h"
#include "qstring_printer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace testing;

// The tool writes what the parse tab writes, without asking.
TEST(ConvertTool, ConvertsLikeTheParseTabAndReportsFailures)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QString missing = dir.filePath(QStringLiteral("missing.txt"));
    const struct {
        QStringList arguments;
        int exitCode;
        QString errors;
        QByteArray output;
    } cases[] = {
        { { WelfSample, out }, 0, "14 lines read, 1 line written\n", WelfOutput },
        { { missing, out }, 1, "Error 53: File not found: " + missing + "\n", "<missing>" },
        { {}, 2, "usage: corvane-convert IN OUT\n", "<missing>" },
    };
    for (const auto& c : cases) {
        QFile::remove(out);
        QProcess process;
        process.start(QStringLiteral(CORVANE_BIN_DIR "/corvane-convert"), c.arguments);
        process.waitForFinished(-1);
        EXPECT_EQ(process.exitCode(), c.exitCode) << c.errors.toStdString();
        EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardError()), c.errors);
        EXPECT_EQ(readFile(out), c.output) << c.errors.toStdString();
    }
}

} // namespace
} // namespace corvane
