#include "app/error_logger.h"
#include "platform/dialogs/mouse_pointer.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace corvane {
namespace {

using platform::Failure;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;
using testing::ScriptedDialogs;

const QString TypeMismatch
    = QStringLiteral("An Unexpected error has occured - Error: 13: Type mismatch - Error has been Logged");
const QByteArray TypeMismatchLine = '"' + TypeMismatch.toUtf8() + "\"\r\n";

class ErrorLoggerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    void TearDown() override
    {
        // Leave nothing the temporary folder could not remove.
        QFile::setPermissions(
            m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(logPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    QString logPath() const { return m_dir.path() + QStringLiteral("/Errlog.txt"); }
    void writeLog(const QByteArray& bytes) const
    {
        QFile file(logPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    std::optional<QByteArray> readLog() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }
    QStringList folderEntries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    void expectReport(const QString& text)
    {
        m_dialogs.expectBox({ text, MessageAnswer::Ok, QStringLiteral("UNEXPECTED ERROR"),
            MessageIcon::Critical, MessageButtons::Ok });
    }
    void expectErrorWritingLog()
    {
        m_dialogs.expectBox({ QStringLiteral("Error Writing Log"), MessageAnswer::Ok,
            QStringLiteral("Corvane(Beta)"), MessageIcon::None, MessageButtons::Ok });
    }

    QTemporaryDir m_dir;
    ScriptedDialogs m_dialogs;
    ErrorLogger m_logger { m_dir.path(), m_dialogs };
};

TEST_F(ErrorLoggerTest, RewritesTheLogWithTheCountedEntriesAndTheNewMessage)
{
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after; // the new message's line follows
    };
    const std::vector<Case> cases = {
        { "count only", "0", "1\r\n" },
        { "count line", "0\r\n", "1\r\n" },
        { "two entries", "2\r\n\"first\"\r\n\"second\"\r\n", "3\r\n\"first\"\r\n\"second\"\r\n" },
        { "comma inside quotes", "1\r\n\"a, b,c\"\r\n", "2\r\n\"a, b,c\"\r\n" },
        { "doubled quote", "1\r\n\"say \"\"hi\"\", now\"\r\n", "2\r\n\"say \"\"hi\"\", now\"\r\n" },
        { "bare quote of an old entry", "1\r\n\"say \"hi\" now\"\r\n", "2\r\n\"say \"\"hi\"\" now\"\r\n" },
        { "line break inside quotes", "1\r\n\"two\r\nlines\"\r\n", "2\r\n\"two\r\nlines\"\r\n" },
        { "empty entry", "1\r\n\"\"\r\n", "2\r\n\"\"\r\n" },
        { "lines after the counted entries", "1\r\n\"kept\"\r\n\"dropped\"\r\njunk\r\n",
            "2\r\n\"kept\"\r\n" },
        { "first item not a number", "abc\r\n\"lost\"\r\n", "1\r\n" },
        { "signed count", "-1\r\n\"lost\"\r\n", "1\r\n" },
        { "empty first item", ",\"lost\"\r\n", "1\r\n" },
        { "count with blanks", " 1 \r\n\"a\"\r\n", "2\r\n\"a\"\r\n" },
        { "line feeds only", "2\n\"a\"\n\"b\"", "3\r\n\"a\"\r\n\"b\"\r\n" },
        { "items on one line", "2,\"a\" , \"b\"\r\n", "3\r\n\"a\"\r\n\"b\"\r\n" },
        { "blank lines between", "1\r\n\r\n\r\n\"a\"\r\n", "2\r\n\"a\"\r\n" },
        { "unquoted entry", "1\r\n  plain text \r\n", "2\r\n\"plain text\"\r\n" },
        { "unclosed quote at the end", "1\r\n\"cut off", "2\r\n\"cut off\"\r\n" },
        { "bytes that are not UTF-8", "1\r\n\"caf\xe9\"\r\n", "2\r\n\"caf\xe9\"\r\n" },
    };
    const Failure failure(13, QStringLiteral("Type mismatch"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.clear();
        writeLog(c.before);
        const QFile::Permissions permissions = QFile::permissions(logPath());
        expectReport(TypeMismatch);

        m_logger.LogError(failure);

        EXPECT_EQ(readLog(), c.after + TypeMismatchLine);
        EXPECT_EQ(QFile::permissions(logPath()), permissions);
        EXPECT_EQ(folderEntries(), QStringList { QStringLiteral("Errlog.txt") }); // no temporary left
        m_dialogs.verifyAllUsed();
    }
}

TEST_F(ErrorLoggerTest, FailuresInARowAreAppendedOldestFirstAndReadBackWhole)
{
    writeLog("0\r\n");
    const std::vector<Failure> failures = {
        Failure(53, QStringLiteral("File not found")),
        Failure(3075, QStringLiteral("Syntax error in 'a, b'")),
        Failure(75, QStringLiteral("Path \"/x\", denied")),
        Failure(13, QStringLiteral("Type mismatch")),
    };
    for (const Failure& failure : failures) {
        expectReport(ErrorLogger::failureMessage(failure));
        m_logger.LogError(failure);
    }

    const QByteArray expected
        = "4\r\n"
          "\"An Unexpected error has occured - Error: 53: File not found - Error has been Logged\"\r\n"
          "\"An Unexpected error has occured - Error: 3075: Syntax error in 'a, b' - Error has been "
          "Logged\"\r\n"
          "\"An Unexpected error has occured - Error: 75: Path \"\"/x\"\", denied - Error has been "
          "Logged\"\r\n"
        + TypeMismatchLine;
    EXPECT_EQ(readLog(), expected);
    m_dialogs.verifyAllUsed();

    // Nothing is kept between calls: an edited log is what the next call builds on.
    writeLog("1\r\n\"edited\"\r\n");
    expectReport(ErrorLogger::failureMessage(failures[0]));
    m_logger.LogError(failures[0]);
    EXPECT_EQ(readLog(),
        "2\r\n\"edited\"\r\n\"An Unexpected error has occured - Error: 53: File not found - Error has been "
        "Logged\"\r\n");
}

TEST_F(ErrorLoggerTest, ALogThatCannotBeReadOrWrittenIsLeftAsItWas)
{
    enum class Setup { Bytes, Missing, Directory };
    struct Case {
        const char* name;
        Setup setup;
        QByteArray bytes;
        bool readOnlyLog;
        bool readOnlyFolder;
    };
    const std::vector<Case> cases = {
        { "missing", Setup::Missing, {}, false, false },
        { "empty", Setup::Bytes, "", false, false },
        { "blank lines only", Setup::Bytes, "\r\n\r\n", false, false },
        { "fewer entries than counted", Setup::Bytes, "3\r\n\"a\"\r\n\"b\"\r\n", false, false },
        { "count too large", Setup::Bytes, "99999999999999999999999\r\n\"a\"\r\n", false, false },
        { "read-only log", Setup::Bytes, "1\r\n\"a\"\r\n", true, false },
        { "read-only folder", Setup::Bytes, "1\r\n\"a\"\r\n", false, true },
        { "a folder named like the log", Setup::Directory, {}, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        QFile::remove(logPath());
        QDir(m_dir.path()).rmdir(QStringLiteral("Errlog.txt"));
        m_dialogs.clear();
        if (c.setup == Setup::Bytes)
            writeLog(c.bytes);
        if (c.setup == Setup::Directory) {
            ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Errlog.txt")));
        }
        if (c.readOnlyLog)
            QFile::setPermissions(logPath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        if (c.readOnlyFolder)
            QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QStringList entriesBefore = folderEntries();
        expectErrorWritingLog();
        expectReport(TypeMismatch);

        m_logger.LogError(Failure(13, QStringLiteral("Type mismatch")));

        if (c.setup == Setup::Bytes) {
            EXPECT_EQ(readLog(), c.bytes);
        }
        EXPECT_EQ(QFileInfo(logPath()).exists(), c.setup != Setup::Missing);
        EXPECT_EQ(QFileInfo(logPath()).isDir(), c.setup == Setup::Directory);
        EXPECT_EQ(folderEntries(), entriesBefore);
        m_dialogs.verifyAllUsed();
        // The report comes first, then the box saying the log was not written.
        EXPECT_EQ(m_dialogs.boxTexts(), (QStringList { TypeMismatch, QStringLiteral("Error Writing Log") }));
    }
}

// Notes the pointer each box was shown under.
class PointerProbe final : public platform::Dialogs {
public:
    MessageAnswer messageBox(const platform::MessageBoxRequest& request) override
    {
        shown.push_back({ request.text, platform::isBusyPointer() });
        return MessageAnswer::Ok;
    }
    QString saveFile(const platform::SaveFileRequest&) override { return {}; }

    std::vector<std::pair<QString, bool>> shown;
};

TEST_F(ErrorLoggerTest, EndsTheBusyPointerBeforeTheFirstBox)
{
    PointerProbe probe;
    const ErrorLogger logger(m_dir.path(), probe); // no log: both boxes show
    platform::setBusyPointer();

    logger.LogError(Failure(13, QStringLiteral("Type mismatch")));

    EXPECT_FALSE(platform::isBusyPointer());
    const std::vector<std::pair<QString, bool>> expected
        = { { TypeMismatch, false }, { QStringLiteral("Error Writing Log"), false } };
    EXPECT_EQ(probe.shown, expected);
}

} // namespace
} // namespace corvane
