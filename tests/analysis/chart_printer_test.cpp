// PRINT without a printer: the chosen PDF written for real, or nothing.
#include "analysis/chart_printer.h"
#include "platform/failure/failure.h"
#include "scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(ChartPrinter, WithoutAPrinterWritesThePdfChosenOrNothing)
{
    QTemporaryDir out;
    const QString path = out.filePath(QStringLiteral("chart.pdf"));
    const QString missing = out.filePath(QStringLiteral("missing/chart.pdf"));
    QImage image(800, 500, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    const struct {
        QString answer; // empty: cancelled
        bool written;
        int failure; // 0: none
    } cases[] = {
        { QString(), false, 0 },
        { missing, false, 75 },
        { path, true, 0 },
    };
    testing::ScriptedDialogs dialogs;
    ChartPrinter printer([] { return QPrinterInfo(); }, dialogs);
    for (const auto& c : cases) {
        dialogs.expectSave(c.answer, QStringLiteral("Print Chart"));
        int failure = 0;
        try {
            printer.print(image, QStringLiteral("Analysis"));
        } catch (const platform::Failure& f) {
            failure = f.number();
            EXPECT_TRUE(f.description().contains(c.answer)) << f.description().toStdString();
        }
        EXPECT_EQ(failure, c.failure) << c.answer.toStdString();
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).isEmpty(), !c.written) << c.answer.toStdString();
    }
    dialogs.verifyAllUsed();
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(4) == "%PDF");
}

} // namespace
} // namespace corvane
