#include "analysis/analysis_window.h"
#include "analysis/chart_control.h"
#include "chart_database.h"
#include "platform/failure/failure_codes.h"

#include <QAbstractAxis>
#include <QComboBox>
#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

const ChartGrid ZoneChart = { { "Untrust", 400.0 }, { "Trust", 150.0 } };

class AnalysisWindowTest : public testing::ChartTest {
protected:
    AnalysisWindowTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        execute(
            QStringLiteral("INSERT INTO syslog ([src zone=], [start_time=], [sent+rcvd]) VALUES "
                           "('Trust', '2026-12-05 10:00:00', 150), ('Untrust', '2026-12-05 11:00:00', 400)"));
        execute(QStringLiteral("INSERT INTO SignIn (MembershipID, [date]) VALUES (1, '2026-07-02 08:00:00'), "
                               "(2, '2026-12-01 08:00:00'), (3, '2026-12-02 08:00:00')"));
    }
    ~AnalysisWindowTest() override
    {
        delete window;
        QLocale::setDefault(m_locale);
    }

    void open()
    {
        // Not owned: the fixture's state and logger outlive the window.
        window = new AnalysisWindow(std::shared_ptr<SharedState>(std::shared_ptr<void>(), &state),
            std::shared_ptr<const ErrorLogger>(std::shared_ptr<void>(), &logger), clock, dialogs);
        window->setPrinterLookup([] { return QPrinterInfo(); });
        window->show();
        built();
    }
    // A chart is read on a thread of its own.
    void built()
    {
        while (window->isBuilding())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    QComboBox* list(const char* name) { return window->findChild<QComboBox*>(QLatin1String(name)); }
    ChartControl& chart() { return window->chart(); }

    // A pick as the user makes it.
    void pick(const char* name, int index)
    {
        list(name)->setCurrentIndex(index);
        emit list(name)->activated(index);
        built();
    }

    QPointer<AnalysisWindow> window;

private:
    QLocale m_locale;
};

// The first chart in Bar 2D; a chosen type stays for the next chart, and
// the empty last entry charts sign-ins. Closing destroys the window.
TEST_F(AnalysisWindowTest, OpensAtTheDefaultsKeepsTheChosenTypeAndCloses)
{
    open();
    EXPECT_EQ(chart().chartType(), VtChChartType2dBar);
    EXPECT_EQ(chart().data(), ZoneChart);
    EXPECT_EQ(chart().appearance(), buildAppearance()) << "set again after the build";
    QTest::keyClick(list("cboChartType"), Qt::Key_Down);
    QTest::keyClick(list("cboCharts"), Qt::Key_End);
    built();
    EXPECT_TRUE(list("cboCharts")->currentText().isEmpty());
    const ChartGrid signIns = { { "Jul-26", 1 }, { "Aug-26", 0 }, { "Sep-26", 0 }, { "Oct-26", 0 },
        { "Nov-26", 0 }, { "Dec-26", 2 } };
    EXPECT_EQ(chart().data(), signIns);
    EXPECT_EQ(chart().chartType(), VtChChartType3dLine);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

// A dozen zones: the labels lean rather than being cut short; the window
// resizes with its chart and opens whole on its screen.
TEST_F(AnalysisWindowTest, ResizesWithItsChartOpensOnScreenAndLeansManyLabels)
{
    for (int zone = 0; zone < 10; ++zone)
        execute(QStringLiteral("INSERT INTO syslog ([src zone=], [start_time=], [sent+rcvd]) VALUES "
                               "('V1-Untrust-%1', '2026-12-05 09:00:00', %1)")
                    .arg(zone));
    open();
    const QList<QAbstractAxis*> labels = chart().chart()->axes(Qt::Horizontal);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_NE(labels.front()->labelsAngle(), 0);
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()));
    const int chartWidth = chart().width();
    window->resize(window->width() + 200, window->height() + 100);
    EXPECT_EQ(chart().width(), chartWidth + 200);
    EXPECT_LT(window->minimumWidth(), window->width());
}

TEST_F(AnalysisWindowTest, AMonthBeyond32BitsFailsTheBuildAndKeepsTheChart)
{
    execute(QStringLiteral("INSERT INTO paymentdetails ([Payment Amount], [payment date]) "
                           "VALUES (3000000000.0, '2026-12-01 09:00:00')"));
    open();
    dialogs.expectBox(ErrorLogger::failureMessage(platform::failure::Overflow.make()));
    pick("cboCharts", MonthlyPaymentSource);
    dialogs.verifyAllUsed();
    EXPECT_EQ(chart().data(), ZoneChart);
}

// PRINT reaches the printer, whose failures are reported; its files are
// tested on the printer alone.
TEST_F(AnalysisWindowTest, PrintReportsAFileItCannotWrite)
{
    open();
    QTemporaryDir out;
    const QString missing = out.filePath(QStringLiteral("missing/chart.pdf"));
    dialogs.expectSave(missing, QStringLiteral("Print Chart"));
    dialogs.expectBox(ErrorLogger::failureMessage(platform::failure::PathFileAccessError.make(missing)));
    window->findChild<QPushButton*>(QStringLiteral("cmdPrintChart"))->click();
    dialogs.verifyAllUsed();
}

} // namespace
} // namespace corvane
