#include "base/trap.h"
#include "platform/dialogs/mouse_pointer.h"

#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

namespace corvane {
namespace {

using platform::MessageAnswer;

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
