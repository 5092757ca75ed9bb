#pragma once

#include "platform/dialogs/dialogs.h"

#include <QPointer>
#include <QWidget>

namespace corvane::platform {

// The production dialogs: QMessageBox and QFileDialog, modal over the whole
// application, centred on the parent window when one is given.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr);

    void setParentWidget(QWidget* parent) { m_parent = parent; }

    MessageAnswer messageBox(const MessageBoxRequest& request) override;
    QString saveFile(const SaveFileRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace corvane::platform
