#include "platform/dialogs/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace corvane::platform {

namespace {

bool haveGuiApplication()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

void setBusyPointer()
{
    if (!haveGuiApplication() || isBusyPointer())
        return;
    // Whatever was pushed before is replaced, so one arrow call ends it all.
    setArrowPointer();
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void setArrowPointer()
{
    if (!haveGuiApplication())
        return;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

bool isBusyPointer()
{
    if (!haveGuiApplication())
        return false;
    const QCursor* current = QGuiApplication::overrideCursor();
    return current && current->shape() == Qt::WaitCursor;
}

} // namespace corvane::platform
