#include "base/error_logger.h"
#include "convert/capture_file_converter.h"
#include "convert/converter_line.h"
#include "convert/line_reader.h"
#include "convert/parse_tab.h"
#include "platform/failure/failure.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "support/scripted_dialogs.h"
#include "wait_for.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane {
namespace {

using namespace testing;
using platform::MessageAnswer;

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << qPrintable(path);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QString WelfSample = QStringLiteral(CORVANE_TEST_DATA "/welf.txt");

// The one line of welf.txt that holds all eleven keys, cut by hand: src and
// dst keep the port pairs that follow them.
const QByteArray WelfOutput = "\"2015-05-26 10:00:29\",YD-INTFW-1,7,441,123/udp,10.90.1.193 src_port=123,"
                              "10.90.53.151 dst_port=123,94,94,64,\"source interface = External\",\r\n";

const QByteArray GoodLine = "<134>id=firewall time=\"2015-05-26 10:00:29\" fw=YD pri=7 rule=441 proto=udp "
                            "src=10.0.0.1 dst=10.0.0.2 sent=94 rcvd=95 duration=64 msg=\"done\"";
const QByteArray GoodOutput = "\"2015-05-26 10:00:29\",YD,7,441,udp,10.0.0.1,10.0.0.2,94,95,64,\"done\",\r\n";

// Keys out of order: cutting it fails with 5.
const QByteArray BadLine
    = "firewall time=x fw=y rule=z pri=1 proto=a src=b dst=c sent=1 rcvd=2 duration=3 msg=m";

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

TEST(ParseTab, AsksFirstConvertsOnYesAndLogsFailures)
{
    ProgramFolder folder;
    ScriptedDialogs dialogs;
    const ErrorLogger logger(folder.path(), dialogs);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QString failed = "An Unexpected error has occured - Error: 5: Invalid procedure call or argument - "
                           "Error has been Logged";
    const struct {
        QByteArray input;
        QString question;
        MessageAnswer answer;
        QString next; // the box after the question, if any
        QByteArray output;
        QString caption;
        int bar;
    } cases[] = {
        { readFile(WelfSample), "Do you want to parse 14 Lines", MessageAnswer::Yes, "Parse Complete",
            WelfOutput, "Progress - Lines Processed: 14", 100 },
        { GoodLine + "\r\n" + GoodLine, "Do you want to parse 2 Lines", MessageAnswer::No, "", "<missing>",
            "Progress", 0 },
        // An empty file's count shows as nothing at all.
        { "", "Do you want to parse  Lines", MessageAnswer::Yes, "Parse Complete", "", "Progress", 0 },
        // The count of the last line done stands, truncated on the bar.
        { GoodLine + "\n" + GoodLine + "\n" + BadLine, "Do you want to parse 3 Lines", MessageAnswer::Yes,
            failed, GoodOutput + GoodOutput, "Progress - Lines Processed: 2", 66 },
    };
    for (const auto& c : cases) {
        writeFile(in, c.input);
        QFile::remove(out);
        ParseTab tab(logger, dialogs);
        tab.findChild<QLineEdit*>(QStringLiteral("txtFilename"))->setText(in);
        tab.findChild<QLineEdit*>(QStringLiteral("txtFilenameOutput"))->setText(out);
        dialogs.clear();
        dialogs.expectBox({ c.question, c.answer, {}, {}, platform::MessageButtons::YesNo });
        if (!c.next.isEmpty())
            dialogs.expectBox(c.next);

        tab.findChild<QPushButton*>(QStringLiteral("cmdGo"))->click();
        // Counted and converted on a thread of its own.
        ASSERT_TRUE(waitFor([&] { return !tab.isBusy(); }));

        dialogs.verifyAllUsed();
        EXPECT_EQ(readFile(out), c.output) << c.question.toStdString();
        EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblProgressBar"))->text(), c.caption);
        EXPECT_EQ(tab.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), c.bar);
    }
}

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
