#include "base/trap.h"
#include "support/scripted_dialogs.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace corvane {
namespace {

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
        testing::ScriptedDialogs dialogs;
        const QString message
            = QStringLiteral("An Unexpected error has occured - Error: %1 - Error has been Logged")
                  .arg(QString::fromUtf8(c.reported));
        if (c.reported) {
            dialogs.expectBox(message);
            dialogs.expectBox(QStringLiteral("Error Writing Log"));
        }
        int stepsDone = 0;

        const bool completed = trap(ErrorLogger(dir.path(), dialogs), [&] {
            ++stepsDone;
            if (c.fail)
                c.fail();
            ++stepsDone;
        });

        dialogs.verifyAllUsed();
        EXPECT_EQ(completed, !c.reported);
        EXPECT_EQ(stepsDone, c.reported ? 1 : 2);
    }

    // Anything that is not an exception passes through, unreported.
    testing::ScriptedDialogs dialogs;
    EXPECT_THROW(trap(ErrorLogger(QStringLiteral("/nonexistent"), dialogs), [] { throw 42; }), int);
}

} // namespace
} // namespace corvane
