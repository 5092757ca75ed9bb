#include "app/trap.h"
#include "support/scripted_dialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace corvane {
namespace {

TEST(Trap, ReportsAFailureAndSkipsTheRestOfTheBody)
{
    struct Case {
        const char* name;
        std::function<void()> fail; // empty: the body completes
        const char* reported; // number and description in the message
    };
    const Case cases[] = {
        { "completes", {}, nullptr },
        { "failure", [] { throw platform::Failure(3021, QStringLiteral("No current record.")); },
            "3021: No current record." },
        { "out of memory", [] { throw std::bad_alloc(); }, "7: Out of memory" },
        { "other exception", [] { throw std::runtime_error("vector::at"); },
            "51: Internal error: vector::at" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString logPath = dir.path() + QStringLiteral("/Errlog.txt");
        {
            QFile log(logPath);
            ASSERT_TRUE(log.open(QIODevice::WriteOnly));
            log.write("0\r\n");
        }
        testing::ScriptedDialogs dialogs;
        const ErrorLogger logger(dir.path(), dialogs);
        int stepsDone = 0;
        const QString message = QStringLiteral("An Unexpected error has occured - Error: ")
            + QString::fromUtf8(c.reported ? c.reported : "") + QStringLiteral(" - Error has been Logged");
        if (c.reported)
            dialogs.expectBox(message);

        const bool completed = trap(logger, [&] {
            ++stepsDone;
            if (c.fail)
                c.fail();
            ++stepsDone;
        });

        QFile log(logPath);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        if (!c.reported) {
            EXPECT_TRUE(completed);
            EXPECT_EQ(stepsDone, 2);
            EXPECT_TRUE(dialogs.boxes().empty());
            EXPECT_EQ(log.readAll(), "0\r\n");
            continue;
        }
        dialogs.verifyAllUsed();
        EXPECT_FALSE(completed);
        EXPECT_EQ(stepsDone, 1);
        EXPECT_EQ(dialogs.boxTexts(), QStringList { message });
        EXPECT_EQ(log.readAll(), "1\r\n\"" + message.toUtf8() + "\"\r\n");
    }
}

TEST(Trap, LetsAnythingThatIsNotAnExceptionThrough)
{
    testing::ScriptedDialogs dialogs;
    const ErrorLogger logger(QStringLiteral("/nonexistent"), dialogs);
    EXPECT_THROW(trap(logger, [] { throw 42; }), int);
    EXPECT_TRUE(dialogs.boxes().empty());
}

} // namespace
} // namespace corvane
