#include "app/main_window.h"

namespace corvane {

MainWindow::MainWindow(QString programFolder, QWidget* parent)
    : QMainWindow(parent)
    , m_programFolder(std::move(programFolder))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Corvane (Beta) 1.0"));
    resize(1000, 700);
}

} // namespace corvane
