#include "platform/dialogs/qt_dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

// Runs `act` on the modal dialog of type T once the event loop shows it.
template <typename T> void whenShown(std::function<void(T*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog shown";
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* any = qobject_cast<QDialog*>(widget); any && any->isVisible())
                    any->reject();
            }
            return;
        }
        act(dialog);
    });
}

TEST(QtDialogs, MessageBoxShowsTheRequestAndReturnsTheButtonPressed)
{
    QCoreApplication::setApplicationName(QStringLiteral("Corvane(Beta)"));
    struct Case {
        MessageBoxRequest request;
        QMessageBox::StandardButton press; // NoButton: close with Escape
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QString title;
        MessageAnswer answer;
    };
    const Case cases[] = {
        { { "Failed", "UNEXPECTED ERROR", MessageIcon::Critical, MessageButtons::Ok }, QMessageBox::Ok,
            QMessageBox::Critical, QMessageBox::Ok, "UNEXPECTED ERROR", MessageAnswer::Ok },
        { { "Untitled", "", MessageIcon::None, MessageButtons::Ok }, QMessageBox::Ok, QMessageBox::NoIcon,
            QMessageBox::Ok, "Corvane(Beta)", MessageAnswer::Ok },
        { { "Go on?", "Ask", MessageIcon::Question, MessageButtons::YesNo }, QMessageBox::Yes,
            QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, "Ask", MessageAnswer::Yes },
        { { "Go on?", "Ask", MessageIcon::Exclamation, MessageButtons::YesNo }, QMessageBox::No,
            QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No, "Ask", MessageAnswer::No },
        { { "Go on?", "Ask", MessageIcon::Information, MessageButtons::YesNo }, QMessageBox::NoButton,
            QMessageBox::Information, QMessageBox::Yes | QMessageBox::No, "Ask", MessageAnswer::No },
    };
    QtDialogs dialogs;
    for (const Case& c : cases) {
        whenShown<QMessageBox>([&c](QMessageBox* box) {
            EXPECT_EQ(box->text(), c.request.text);
            EXPECT_EQ(box->windowTitle(), c.title);
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->standardButtons(), c.buttons);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
            if (c.press == QMessageBox::NoButton)
                box->escapeButton()->click();
            else
                box->button(c.press)->click();
        });
        EXPECT_EQ(dialogs.messageBox(c.request), c.answer) << c.request.text.toStdString();
    }
}

TEST(QtDialogs, SaveFileReturnsTheFullPathWithTheDefaultExtension)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QtDialogs dialogs;
    const SaveFileRequest request { "Save As", "All Files (*.*)|*.*", "GymReport", "csv" };

    whenShown<QFileDialog>([&dir](QFileDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save As"));
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        EXPECT_NE(types, nullptr);
        if (types) {
            EXPECT_EQ(types->count(), 1);
            EXPECT_EQ(types->itemText(0), QStringLiteral("All Files (*.*)"));
        }
        dialog->setDirectory(dir.path());
        dialog->selectFile(QStringLiteral("GymReport"));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the name typed
    });
    EXPECT_EQ(dialogs.saveFile(request), QDir(dir.path()).filePath(QStringLiteral("GymReport.csv")));

    whenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs.saveFile(request), QString());
}

} // namespace
} // namespace corvane::platform
