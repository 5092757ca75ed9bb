#pragma once

#include "platform/dialogs/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace corvane::platform {

// The production dialogs: QMessageBox and QFileDialog, modal over the whole
// application. Each belongs to the window in use, so a window manager keeps
// it in front of that window: the modal window open (the preview), else the
// active window (the chart window), else the window last set (the splash
// while loading, then the main window).
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    void setParentWidget(QWidget* parent) { m_parent = parent; }
    QWidget* parentForNextDialog() const;

    MessageAnswer messageBox(const MessageBoxRequest& request) override;
    QString saveFile(const SaveFileRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace corvane::platform
