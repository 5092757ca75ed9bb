#include "base/error_logger.h"
#include "convert/parse_tab.h"
#include "convert_fixtures.h"
#include "program_folder.h"
#include "qstring_printer.h"
#include "support/scripted_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace testing;
using platform::MessageAnswer;

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

        dialogs.verifyAllUsed();
        EXPECT_EQ(readFile(out), c.output) << c.question.toStdString();
        EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblProgressBar"))->text(), c.caption);
        EXPECT_EQ(tab.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(), c.bar);
    }
}

} // namespace
} // namespace corvane
