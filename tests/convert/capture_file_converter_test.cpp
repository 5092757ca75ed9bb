#include "convert/capture_file_converter.h"
#include "convert/line_reader.h"
#include "convert_fixtures.h"
#include "platform/failure/failure.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane {
namespace {

using namespace testing;

TEST(ConverterFiles, LinesEndAtCrLfLfOrCrWhereverTheBlocksBreak)
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    // The bytes, and each line read followed by "|".
    const std::pair<QByteArray, QByteArray> cases[] = { { "", "" }, { "\n", "|" },
        { "a\r\nbb\rccc\ndddd", "a|bb|ccc|dddd|" }, { "\r\n\r\nab\r\r\ncd\n\ref\r", "||ab||cd||ef|" } };
    for (const auto& [bytes, expected] : cases) {
        writeFile(in, bytes);
        // Blocks this small split every CR LF somewhere.
        for (const qsizetype blockSize : { 1, 2, 3 }) {
            LineReader reader(in, blockSize);
            QByteArray lines;
            QByteArrayView line;
            while (reader.readLine(line))
                lines += line.toByteArray() + '|';
            EXPECT_EQ(lines, expected) << bytes.toPercentEncoding().constData() << ", block " << blockSize;
        }
    }
}

// The input under any other name is refused before the output is opened.
TEST(ConverterFiles, NeverEmptiesItsInput)
{
    QTemporaryDir dir;
    const auto file = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    writeFile(file("in.txt"), GoodLine);
    ASSERT_TRUE(QFile::link(file("in.txt"), file("symlink.txt")));
    ASSERT_EQ(::link(QFile::encodeName(file("in.txt")).constData(),
                  QFile::encodeName(file("hardlink.txt")).constData()),
        0);
    for (const char* output : { "./in.txt", "symlink.txt", "hardlink.txt" }) {
        try {
            CaptureFileConverter(file("in.txt"), file(output)).convert();
            ADD_FAILURE() << output << " accepted";
        } catch (const platform::Failure& failure) {
            EXPECT_EQ(failure.number(), 75) << output;
        }
        EXPECT_EQ(readFile(file("in.txt")), GoodLine) << output;
    }
}

} // namespace
} // namespace corvane
