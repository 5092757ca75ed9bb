#include "app/main_window.h"
#include "app/splash_window.h"
#include "base/clock.h"
#include "base/command_line.h"
#include "base/error_logger.h"
#include "platform/dialogs/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdio>

// Main: the splash while the main window loads, then the main window.
//   corvane [--folder DIR]   DIR holds syslog97.mdb and Errlog.txt; the
//                            program's own folder by default.
int main(int argc, char** argv)
{
    if (const auto answered = corvane::answerHelpOrVersion(argc, argv, "corvane",
            "usage: corvane [--folder DIR]\n"
            "The window on DIR/syslog97.mdb and DIR/Errlog.txt (the program's own folder by default).\n"))
        return *answered;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString(corvane::ApplicationTitle));

    QString folder = QCoreApplication::applicationDirPath();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--folder")) {
        folder = QDir(arguments[2]).absolutePath();
    } else if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: corvane [--folder DIR]\n");
        return 2;
    }

    auto* splash = new corvane::SplashWindow;
    // In the middle of the screen, where its boxes are centred too.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect placed(QPoint(), splash->sizeHint().expandedTo(splash->size()));
        placed.moveCenter(screen->availableGeometry().center());
        splash->move(placed.topLeft());
    }
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // Boxes raised while loading belong to the splash, which is in front.
    corvane::platform::QtDialogs dialogs(splash);
    corvane::SystemClock clock;
    // Deletes itself when closed; the program ends with its last window.
    auto* window = new corvane::MainWindow(folder, dialogs, clock);
    window->show();
    dialogs.setParentWidget(window);
    delete splash;
    return QApplication::exec();
}
