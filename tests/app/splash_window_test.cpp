#include "app/splash_window.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SplashWindow, LabelReadsTheVersionThenLoading)
{
    const SplashWindow splash;
    const auto* label = splash.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(),
        " Corvane (Beta) Version 1.0                       Loading Database... ");
}

} // namespace
} // namespace corvane
