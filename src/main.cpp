#include "app/main_window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane(Beta)"));

    corvane::MainWindow window(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
