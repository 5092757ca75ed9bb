#include "platform/dialogs/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <vector>

namespace corvane::platform {
namespace {

// How many overrides are in force; pops them all.
int popOverrides()
{
    int depth = 0;
    for (; QGuiApplication::overrideCursor(); ++depth)
        QGuiApplication::restoreOverrideCursor();
    return depth;
}

TEST(MousePointer, IsOneStateNotAStack)
{
    enum Step { Busy, Arrow, ForeignIBeam };
    struct Case {
        std::vector<Step> steps;
        bool busy;
        int overrides;
    };
    const Case cases[] = {
        { { Busy, Busy, Busy }, true, 1 },
        { { Busy, Busy, Arrow }, false, 0 },
        { { ForeignIBeam, ForeignIBeam, Arrow }, false, 0 }, // arrow ends overrides set by others
        { { ForeignIBeam, Busy }, true, 1 },
        { { Busy, ForeignIBeam }, false, 2 },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        popOverrides();
        for (Step step : cases[i].steps) {
            if (step == Busy)
                setBusyPointer();
            else if (step == Arrow)
                setArrowPointer();
            else
                QGuiApplication::setOverrideCursor(QCursor(Qt::IBeamCursor));
        }
        EXPECT_EQ(isBusyPointer(), cases[i].busy) << i;
        EXPECT_EQ(popOverrides(), cases[i].overrides) << i;
    }
}

} // namespace
} // namespace corvane::platform
