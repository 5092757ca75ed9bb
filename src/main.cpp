#include "app/main_window.h"
#include "app/splash_window.h"
#include "base/clock.h"
#include "base/error_logger.h"
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

    // Boxes raised while loading belong to the splash, which is in front.
    corvane::platform::QtDialogs dialogs(splash);
    corvane::SystemClock clock;
    corvane::MainWindow window(QCoreApplication::applicationDirPath(), dialogs, clock);
    window.show();
    dialogs.setParentWidget(&window);
    delete splash;
    return QApplication::exec();
}
