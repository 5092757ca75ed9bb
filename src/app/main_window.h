#pragma once

#include <QMainWindow>
#include <QString>

namespace corvane {

// frmMain: the window that carries the capture, report and parse tabs.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QString programFolder, QWidget* parent = nullptr);

    const QString& programFolder() const { return m_programFolder; }

private:
    QString m_programFolder;
};

} // namespace corvane
