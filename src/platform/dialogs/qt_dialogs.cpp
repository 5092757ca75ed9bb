#include "platform/dialogs/qt_dialogs.h"

#include "platform/dialogs/file_filter.h"
#include "platform/dialogs/screen_placement.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

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

// A small box would cut its own title short: it is made at least as wide
// as the title with room for the frame's buttons.
constexpr int TitleBarExtra = 160;

// Once the box has sized itself from its text, as it does when shown.
void fitTitle(QMessageBox& box)
{
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + TitleBarExtra;
    if (box.width() < width)
        box.setFixedWidth(width);
}

// Centred on its owner when the owner shows, else on the screen; a window
// system without a placement of its own would put it at the corner.
void centre(QWidget& dialog, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect area = owner && owner->isVisible() ? owner->window()->frameGeometry() : available;
    QRect placed = dialog.rect();
    placed.moveCenter(area.center());
    // Whole on the screen, even beside an owner at its edge.
    placed = keptInside(placed, available);
    dialog.move(placed.topLeft());
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
    // Once shown, when the box has sized itself.
    QTimer::singleShot(0, &box, [&box] {
        fitTitle(box);
        centre(box, box.parentWidget());
    });
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
