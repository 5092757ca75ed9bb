#include "platform/dialogs/file_filter.h"
#include "platform/dialogs/mouse_pointer.h"
#include "platform/dialogs/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace corvane::platform {
namespace {

// Runs `act` on the modal dialog of type T once the event loop shows it.
template <typename T> void whenShown(std::function<void(T*)> act)
{
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(dialog);
            return;
        }
        ADD_FAILURE() << "no modal dialog shown";
        if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            other->reject();
    });
}

TEST(QtDialogs, MessageBoxShowsTheRequestAndReturnsTheButtonPressed)
{
    QCoreApplication::setApplicationName(QStringLiteral("Corvane(Beta)"));
    struct Case {
        MessageBoxRequest request;
        QMessageBox::StandardButton press; // NoButton: close with Escape
        QMessageBox::Icon icon;
        QString title;
        MessageAnswer answer;
    };
    const Case cases[] = {
        { { "Failed", "UNEXPECTED ERROR", MessageIcon::Critical, MessageButtons::Ok }, QMessageBox::Ok,
            QMessageBox::Critical, "UNEXPECTED ERROR", MessageAnswer::Ok },
        { { "Untitled", "", MessageIcon::None, MessageButtons::Ok }, QMessageBox::Ok, QMessageBox::NoIcon,
            "Corvane(Beta)", MessageAnswer::Ok },
        { { "Go on?", "Ask", MessageIcon::Question, MessageButtons::YesNo }, QMessageBox::Yes,
            QMessageBox::Question, "Ask", MessageAnswer::Yes },
        { { "Go on?", "Ask", MessageIcon::Exclamation, MessageButtons::YesNo }, QMessageBox::NoButton,
            QMessageBox::Warning, "Ask", MessageAnswer::No },
    };
    QtDialogs dialogs;
    for (const Case& c : cases) {
        whenShown<QMessageBox>([&c](QMessageBox* box) {
            EXPECT_EQ(box->text(), c.request.text);
            EXPECT_EQ(box->windowTitle(), c.title);
            EXPECT_EQ(box->icon(), c.icon);
            (c.press == QMessageBox::NoButton ? box->escapeButton() : box->button(c.press))->click();
        });
        EXPECT_EQ(dialogs.messageBox(c.request), c.answer) << c.request.text.toStdString();
    }
}

// A box belongs to the window in use, so it is shown in front of it.
TEST(QtDialogs, ABoxBelongsToTheModalWindowElseTheActiveOneElseTheParentSet)
{
    QWidget splash;
    QWidget chart;
    QDialog preview;
    QtDialogs dialogs(&splash);
    const auto owner = [&dialogs] {
        QWidget* owner = nullptr;
        whenShown<QMessageBox>([&owner](QMessageBox* box) {
            owner = box->parentWidget();
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.messageBox({ "Failed", "UNEXPECTED ERROR", MessageIcon::Critical, MessageButtons::Ok });
        return owner;
    };
    EXPECT_EQ(owner(), &splash);
    chart.show();
    QApplication::setActiveWindow(&chart);
    EXPECT_EQ(owner(), &chart);
    preview.setWindowModality(Qt::ApplicationModal);
    preview.show();
    EXPECT_EQ(owner(), &preview);
}

TEST(QtDialogs, SaveFileReturnsTheFullPathWithTheDefaultExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtDialogs dialogs;
    const SaveFileRequest request { "Save As", "All Files (*.*)|*.*", "GymReport", "csv" };

    whenShown<QFileDialog>([&dir](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save As"));
        // The label as the old dialog showed it, without Qt's pattern details.
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        EXPECT_EQ(types ? types->itemText(0) : QString(), QStringLiteral("All Files (*.*)"));
        dialog->setDirectory(dir.path());
        dialog->selectFile(QStringLiteral("GymReport"));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name typed
    });
    EXPECT_EQ(dialogs.saveFile(request), QDir(dir.path()).filePath(QStringLiteral("GymReport.csv")));

    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.saveFile(request), QString());
}

TEST(FileFilter, ConvertsPairsToQtNameFilters)
{
    const std::pair<const char*, QStringList> cases[] = {
        // The label keeps its "(*.*)"; the pattern lists names without a dot too.
        { "Text (*.txt)|*.txt|All Files (*.*)|*.*", { "Text (*.txt) (*.txt)", "All Files (*.*) (*)" } },
        { "Data|*.csv; *.txt ; ;*.csv", { "Data (*.csv *.txt)" } }, { "", {} },
        { "Anything|", { "Anything (*)" } }, { "|*.log", { "*.log (*.log)" } }, { "A|*.a|", { "A (*.a)" } }
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(qtNameFilters(QString::fromUtf8(filter)), expected) << filter;
}

TEST(FileFilter, AddsDefaultExtensionOnlyToNamesWithoutOne)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* expected;
    };
    const Case cases[] = { { "/tmp/GymReport", "csv", "/tmp/GymReport.csv" },
        { "/tmp/report.txt", "csv", "/tmp/report.txt" },
        { "/tmp/v1.2/report", "csv", "/tmp/v1.2/report.csv" }, // a dot in a folder is no extension
        { "/tmp/.hidden", "csv", "/tmp/.hidden.csv" }, { "/tmp/report.", "csv", "/tmp/report.csv" },
        { "/tmp/report", ".csv", "/tmp/report.csv" }, { "", "csv", "" }, // cancelled stays cancelled
        { "/tmp/", "csv", "/tmp/" } };
    for (const Case& c : cases)
        EXPECT_EQ(withDefaultExtension(QString::fromUtf8(c.path), QString::fromUtf8(c.extension)),
            QString::fromUtf8(c.expected))
            << c.path << " + " << c.extension;
}

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
