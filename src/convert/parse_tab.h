#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace corvane {

class ErrorLogger;

namespace platform {
class Dialogs;
} // namespace platform

// The parse tab: names an input file of captured firewall lines and an
// output file, and converts one into the other with GO, showing the lines
// processed. Command1 asks for the chart window, which the main window owns.
class ParseTab : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DefaultInputFile = "c:\\temp1\\syslogcatch.csv";
    static constexpr const char* DefaultOutputFile = "c:\\temp1\\syslogcatchparse.txt";

    ParseTab(const ErrorLogger& logger, platform::Dialogs& dialogs, QWidget* parent = nullptr);

    // Counts the input's lines, asks whether to go on, converts and says
    // "Parse Complete". No cancels the conversion; nothing is written.
    void cmdGo_Click();
    void Command1_Click();

signals:
    void chartWindowRequested();

private:
    void showProgress(qint64 linesRead, qint64 totalLines);

    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;

    QLineEdit* m_txtFilename;
    QLineEdit* m_txtFilenameOutput;
    QPushButton* m_cmdGo;
    QLabel* m_lblProgressBar;
    QProgressBar* m_progressBar;
    QPushButton* m_command1;
};

} // namespace corvane
