#include "base/clock.h"
#include "base/error_logger.h"
#include "app/main_window.h"
#include "app/splash_window.h"
#include "platform/dialogs/qt_dialogs.h"

#include <QApplication>

// Main: the splash while the main window loads, then the main window.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString(corvane::ApplicationTitle));

    auto* splash = new corvane::SplashWindow;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    corvane::platform::QtDialogs dialogs;
    corvane::SystemClock clock;
    // Deletes itself when closed; the program ends with its last window.
    auto* window = new corvane::MainWindow(QCoreApplication::applicationDirPath(), dialogs, clock);
    dialogs.setParentWidget(window);
    window->show();
    delete splash;
    return QApplication::exec();
}
