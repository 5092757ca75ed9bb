#include "platform/dialogs/qt_dialogs.h"

#include "platform/dialogs/file_filter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace corvane::platform {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString titleOrApplicationName(const QString& title)
{
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

} // namespace

QtDialogs::QtDialogs(QWidget* parent)
    : m_parent(parent)
{
}

QWidget* QtDialogs::parentForNextDialog() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return m_parent.data();
}

MessageAnswer QtDialogs::messageBox(const MessageBoxRequest& request)
{
    const bool yesNo = request.buttons == MessageButtons::YesNo;
    QMessageBox box(qtIcon(request.icon), titleOrApplicationName(request.title), request.text,
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parentForNextDialog());
    // Nothing else in the program takes input until the box is closed.
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    if (yesNo) {
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    const int result = box.exec();
    if (!yesNo)
        return MessageAnswer::Ok;
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtDialogs::saveFile(const SaveFileRequest& request)
{
    QFileDialog dialog(parentForNextDialog(), titleOrApplicationName(request.title));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The labels carry their own patterns, as the old dialog showed them.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    QString extension = request.defaultExtension;
    while (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    // Set on the dialog too, so its replace question names the file written.
    dialog.setDefaultSuffix(extension);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);

    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    return withDefaultExtension(chosen.first(), extension);
}

} // namespace corvane::platform
