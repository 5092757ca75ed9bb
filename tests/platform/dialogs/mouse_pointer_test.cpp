#include "platform/dialogs/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace corvane::platform {
namespace {

// How many overrides are in force; pops them all.
int popOverrides()
{
    int depth = 0;
    while (QGuiApplication::overrideCursor()) {
        QGuiApplication::restoreOverrideCursor();
        ++depth;
    }
    return depth;
}

enum class Step { Busy, Arrow, ForeignIBeam };

TEST(MousePointer, IsOneStateNotAStack)
{
    struct Case {
        const char* name;
        std::vector<Step> steps;
        bool busy;
        int overrides;
    };
    const Case cases[] = {
        { "busy", { Step::Busy }, true, 1 },
        { "busy thrice", { Step::Busy, Step::Busy, Step::Busy }, true, 1 },
        { "busy then arrow", { Step::Busy, Step::Busy, Step::Arrow }, false, 0 },
        { "arrow alone", { Step::Arrow }, false, 0 },
        { "arrow clears another override", { Step::ForeignIBeam, Step::ForeignIBeam, Step::Arrow }, false,
            0 },
        { "busy replaces another override", { Step::ForeignIBeam, Step::Busy }, true, 1 },
        { "another override on top is not busy", { Step::Busy, Step::ForeignIBeam }, false, 2 },
    };
    for (const Case& c : cases) {
        popOverrides();
        for (Step step : c.steps) {
            switch (step) {
            case Step::Busy:
                setBusyPointer();
                break;
            case Step::Arrow:
                setArrowPointer();
                break;
            case Step::ForeignIBeam:
                QGuiApplication::setOverrideCursor(QCursor(Qt::IBeamCursor));
                break;
            }
        }
        EXPECT_EQ(isBusyPointer(), c.busy) << c.name;
        if (c.busy) {
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor) << c.name;
        }
        EXPECT_EQ(popOverrides(), c.overrides) << c.name;
    }
}

TEST(MousePointer, GuardShowsBusyUntilItsScopeEndsEvenOnFailure)
{
    popOverrides();
    {
        BusyPointer guard;
        EXPECT_TRUE(isBusyPointer());
    }
    EXPECT_FALSE(isBusyPointer());
    EXPECT_EQ(popOverrides(), 0);

    try {
        BusyPointer guard;
        setBusyPointer();
        throw std::runtime_error("fails mid-way");
    } catch (const std::runtime_error&) {
        EXPECT_FALSE(isBusyPointer());
    }
    EXPECT_EQ(popOverrides(), 0);
}

} // namespace
} // namespace corvane::platform
