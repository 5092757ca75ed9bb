#pragma once

#include "convert/capture_file_converter.h"

#include <QWidget>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace corvane {

class BackgroundTask;
class ErrorLogger;

namespace platform {
class Dialogs;
} // namespace platform

// The parse tab: names an input file of captured firewall lines and an
// output file, and converts one into the other with GO, showing the lines
// processed. The counting and the conversion run on a thread of their own,
// so the window goes on answering; Cancel stops a conversion where it is.
// Command1 asks for the chart window, which the main window owns.
class ParseTab : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DefaultInputFile = "c:\\temp1\\syslogcatch.csv";
    static constexpr const char* DefaultOutputFile = "c:\\temp1\\syslogcatchparse.txt";

    ParseTab(const ErrorLogger& logger, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~ParseTab() override;

    // Counts the input's lines, asks whether to go on, converts and says
    // "Parse Complete". No cancels the conversion; nothing is written.
    void cmdGo_Click();
    void Command1_Click();
    // Counting or converting.
    bool isBusy() const;

signals:
    void chartWindowRequested();

private:
    void showProgress(qint64 linesRead, qint64 totalLines);
    void counted();
    void showBusy(bool busy);

    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;

    QLineEdit* m_txtFilename;
    QLineEdit* m_txtFilenameOutput;
    QPushButton* m_cmdGo;
    QLabel* m_lblProgressBar;
    QProgressBar* m_progressBar;
    QPushButton* m_command1;
    QPushButton* m_cmdCancel;
    BackgroundTask* m_task;
    std::optional<CaptureFileConverter> m_converter;
    enum class Work { None, Counting, Converting };
    Work m_work = Work::None;
    qint64 m_totalLines = 0;
};

} // namespace corvane
