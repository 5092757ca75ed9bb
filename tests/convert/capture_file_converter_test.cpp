#include "convert/capture_file_converter.h"
#include "convert/converter_line.h"
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

// What a line gives: its output line, "" for no line, or "failure N".
QByteArray cut(QByteArrayView line)
{
    try {
        QByteArray out;
        if (const std::optional<ConverterValues> values = cutConverterLine(line))
            appendConverterLine(out, *values);
        return out;
    } catch (const platform::Failure& failure) {
        return "failure " + QByteArray::number(failure.number());
    }
}

QByteArray edited(QByteArray text, const QByteArray& from, const QByteArray& to)
{
    EXPECT_TRUE(text.contains(from)) << from.constData();
    return text.replace(from, to);
}

TEST(ConverterLine, CutsByTheKeyPositions)
{
    const auto line = [](const QByteArray& from, const QByteArray& to) { return edited(GoodLine, from, to); };
    const auto output
        = [](const QByteArray& from, const QByteArray& to) { return edited(GoodOutput, from, to); };
    // GoodLine padded in front so that "msg=" starts at byte position n, from 1.
    const auto msgAt
        = [](qsizetype n) { return QByteArray(n - 1 - GoodLine.indexOf("msg="), 'x') + GoodLine; };
    const QByteArray far(40000, 'x');
    const struct {
        const char* name;
        QByteArray line;
        QByteArray expected;
    } cases[] = {
        { "two spaces keep one trailing space", line("fw=YD ", "fw=YD  "), output(",YD,", ",YD ,") },
        { "an empty value", line("rule=441", "rule="), output(",441,", ",,") },
        { "a comma in a value", line("proto=udp", "proto=udp,tcp"), output("udp", "udp,tcp") },
        { "src= twice: the first is taken", line("msg=\"done\"", "msg=\"src=9\""),
            output("\"done\"", "\"src=9\"") },
        { "a key at the end of a longer name", line("src=10.0.0.1", "ip_src=7 src=10.0.0.1"),
            output("udp,10.0.0.1", "udp ip,7 src=10.0.0.1") },
        { "raw bytes are copied", line("fw=YD", QByteArray("fw=\xff\0", 5)),
            output(",YD,", QByteArray(",\xff\0,", 4)) },
        { "key letters without their = are no key", line("msg=\"done\"", "msg \"done\" msgid=3"), "" },
        { "keys match case-sensitively", line("msg=", "MSG="), "" },
        { "a missing key gives no line", line(" duration=64", ""), "" },
        { "keys out of order: negative length", line("fw=YD pri=7", "pri=7 fw=YD"), "failure 5" },
        { "a key at position 32,767", msgAt(32767), GoodOutput },
        { "a key at position 32,768", msgAt(32768), "failure 6" },
        { "a missing key before a later overflow", far + GoodLine.mid(GoodLine.indexOf("fw=")), "" },
        { "an overflow before a later missing key", far + line("msg=", "MSG="), "failure 6" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(cut(c.line), c.expected) << c.name;
}

} // namespace
} // namespace corvane
