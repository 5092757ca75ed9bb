#include "base/error_logger.h"
#include "base/trap.h"
#include "platform/dialogs/mouse_pointer.h"
#include "support/file_size_cap.h"
#include "support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <optional>
#include <stdexcept>
#include <vector>

namespace corvane {
namespace {

using platform::Failure;
using platform::MessageAnswer;
using platform::MessageButtons;
using platform::MessageIcon;

// A message with a quote and a comma: the log must double the one and keep the other.
const Failure Denied(75, QStringLiteral("Path \"/x\", denied"));
const QString DeniedReport = QStringLiteral(
    "An Unexpected error has occured - Error: 75: Path \"/x\", denied - Error has been Logged");
const QByteArray DeniedLine
    = "\"An Unexpected error has occured - Error: 75: Path \"\"/x\"\", denied - Error has been Logged\"\r\n";

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

    QString logPath() const { return m_dir.filePath(QStringLiteral("Errlog.txt")); }
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

    QTemporaryDir m_dir;
    testing::ScriptedDialogs m_dialogs;
    ErrorLogger m_logger { m_dir.path(), m_dialogs };
};

// A log read whole is rewritten with its counted entries and the new
// message; any other, or one the disk cuts the rewrite of short, is left as
// it was, and a second box says so.
TEST_F(ErrorLoggerTest, RewritesAReadableLogElseLeavesItAsItWas)
{
    enum Block { None, ReadOnlyFolder, FolderNamedLikeLog };
    struct Case {
        const char* name;
        std::optional<QByteArray> before; // nullopt: no log
        std::optional<QByteArray> after; // the new message's line follows; nullopt: left as it was
        Block block = None;
        std::optional<QFile::Permissions> mode = std::nullopt; // set on the log before the call
        std::optional<rlim_t> cap = std::nullopt; // a full disk: no file grows past this size
    };
    const QByteArray first = "1\r\n\"first\"\r\n"; // rewritten as long as it is, plus the new line
    const std::vector<Case> cases = {
        { "count only, group-writable", "0", "1\r\n", None,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup },
        { "an entry written here reads back whole", "1\r\n" + DeniedLine, "2\r\n" + DeniedLine },
        { "bare quote of an old entry", "1\r\n\"say \"hi\" now\"\r\n", "2\r\n\"say \"\"hi\"\" now\"\r\n" },
        { "line break inside quotes", "1\r\n\"two\r\nlines\"\r\n", "2\r\n\"two\r\nlines\"\r\n" },
        { "empty entry", "1\r\n\"\"\r\n", "2\r\n\"\"\r\n" },
        { "lines after the counted entries", "1\r\n\"kept\"\r\n\"dropped\"\r\njunk\r\n",
            "2\r\n\"kept\"\r\n" },
        { "first item not a number", "abc\r\n\"lost\"\r\n", "1\r\n" },
        { "empty first item", ",\"lost\"\r\n", "1\r\n" },
        { "line feeds only", "2\n\"a\"\n\"b\"", "3\r\n\"a\"\r\n\"b\"\r\n" },
        { "items on one line", "2,\"a\" , \"b\"\r\n", "3\r\n\"a\"\r\n\"b\"\r\n" },
        { "blank lines between", "1\r\n\r\n\r\n\"a\"\r\n", "2\r\n\"a\"\r\n" },
        { "unquoted entry", "1\r\n  plain text \r\n", "2\r\n\"plain text\"\r\n" },
        { "unclosed quote at the end", "1\r\n\"cut off", "2\r\n\"cut off\"\r\n" },
        { "bytes that are not UTF-8", "1\r\n\"caf\xe9\"\r\n", "2\r\n\"caf\xe9\"\r\n" },
        { "missing", std::nullopt, std::nullopt },
        { "empty", "", std::nullopt },
        { "fewer entries than counted", "3\r\n\"a\"\r\n\"b\"\r\n", std::nullopt },
        { "count too large", "99999999999999999999999\r\n\"a\"\r\n", std::nullopt },
        { "read-only log", "1\r\n\"a\"\r\n", std::nullopt, None, QFile::ReadOwner | QFile::ReadGroup },
        { "read-only folder", "1\r\n\"a\"\r\n", std::nullopt, ReadOnlyFolder },
        { "a folder named like the log", std::nullopt, std::nullopt, FolderNamedLikeLog },
        { "full disk, room for little more than the old log", first, std::nullopt, None, std::nullopt,
            rlim_t(first.size() + 1) },
        { "full disk, room for all but the last byte", first, std::nullopt, None, std::nullopt,
            rlim_t(first.size() + DeniedLine.size() - 1) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        QFile::remove(logPath());
        QDir(m_dir.path()).rmdir(QStringLiteral("Errlog.txt"));
        m_dialogs.clear();
        if (c.before)
            writeLog(*c.before);
        if (c.block == FolderNamedLikeLog) {
            ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Errlog.txt")));
        }
        if (c.mode) {
            ASSERT_TRUE(QFile::setPermissions(logPath(), *c.mode));
        }
        if (c.block == ReadOnlyFolder)
            QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QFile::Permissions permissions = QFile::permissions(logPath());
        const QStringList entriesBefore = folderEntries();
        QStringList boxes { DeniedReport };
        m_dialogs.expectBox({ DeniedReport, MessageAnswer::Ok, QStringLiteral("UNEXPECTED ERROR"),
            MessageIcon::Critical, MessageButtons::Ok });
        if (!c.after) {
            boxes << QStringLiteral("Error Writing Log");
            m_dialogs.expectBox({ boxes.back(), MessageAnswer::Ok, QStringLiteral("Corvane(Beta)"),
                MessageIcon::None, MessageButtons::Ok });
        }

        {
            std::optional<testing::FileSizeCap> cap;
            if (c.cap) {
                cap.emplace(*c.cap);
                ASSERT_TRUE(cap->capped());
            }
            m_logger.LogError(Denied);
        }

        if (c.block == FolderNamedLikeLog) {
            EXPECT_TRUE(QFileInfo(logPath()).isDir());
        } else {
            EXPECT_EQ(readLog(), c.after ? std::optional(*c.after + DeniedLine) : c.before);
        }
        EXPECT_EQ(QFile::permissions(logPath()), permissions);
        EXPECT_EQ(folderEntries(), entriesBefore); // no temporary left, nothing created
        m_dialogs.verifyAllUsed();
        EXPECT_EQ(m_dialogs.boxTexts(), boxes); // the report first
    }
}

// Notes each box shown, and whether the busy pointer was on under any.
struct PointerProbe final : platform::Dialogs {
    MessageAnswer messageBox(const platform::MessageBoxRequest& request) override
    {
        shown << request.text;
        busyUnderABox = busyUnderABox || platform::isBusyPointer();
        return MessageAnswer::Ok;
    }
    QString saveFile(const platform::SaveFileRequest&) override { return {}; }
    QStringList shown;
    bool busyUnderABox = false;
};

// A failing handler had set the busy pointer: it ends before the first box.
TEST(Trap, ReportsAFailureWithItsNumberAndSkipsTheRestOfTheBody)
{
    struct Case {
        std::function<void()> fail; // empty: the body completes
        const char* reported;
    };
    const Case cases[] = {
        { {}, nullptr },
        { [] { throw platform::Failure(3021, QStringLiteral("No current record.")); },
            "3021: No current record." },
        { [] { throw std::bad_alloc(); }, "7: Out of memory" },
        { [] { throw std::runtime_error("vector::at"); }, "51: Internal error: vector::at" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reported ? c.reported : "completes");
        QTemporaryDir dir; // no log: the logger's own box shows after the report
        PointerProbe dialogs;
        const QString report
            = QStringLiteral("An Unexpected error has occured - Error: %1 - Error has been Logged")
                  .arg(QString::fromUtf8(c.reported));
        const QStringList boxes
            = c.reported ? QStringList { report, QStringLiteral("Error Writing Log") } : QStringList();
        platform::setBusyPointer();
        int stepsDone = 0;

        const bool completed = trap(ErrorLogger(dir.path(), dialogs), [&] {
            ++stepsDone;
            if (c.fail)
                c.fail();
            ++stepsDone;
        });

        EXPECT_EQ(dialogs.shown, boxes);
        EXPECT_FALSE(dialogs.busyUnderABox);
        EXPECT_EQ(completed, !c.reported);
        EXPECT_EQ(stepsDone, c.reported ? 1 : 2);
        platform::setArrowPointer();
    }

    // Anything that is not an exception passes through, unreported.
    PointerProbe dialogs;
    EXPECT_THROW(trap(ErrorLogger(QStringLiteral("/nonexistent"), dialogs), [] { throw 42; }), int);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace corvane
