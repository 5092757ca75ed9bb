#pragma once

#include <QWidget>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace corvane {

class Clock;
class ErrorLogger;
class FieldKeys;
class LogDatabase;

namespace platform {
class Dialogs;
class UdpSocket;
} // namespace platform

// The capture tab: the socket settings, Start and Stop Capture, the
// counters, and the handling of every datagram from its arrival to its row.
class CaptureTab : public QWidget {
    Q_OBJECT
public:
    // The log views open during the main window's load; until they have,
    // or when they could not, every datagram fails to store.
    using LogDatabaseSource = std::function<LogDatabase*()>;

    static constexpr const char* DefaultRemoteHost = "192.168.1.1";
    static constexpr const char* DefaultRemotePort = "2350";
    static constexpr const char* DefaultLocalPort = "514";

    // recentLogs is the Logs grid with its button, placed below the settings.
    CaptureTab(const FieldKeys& keys, const Clock& clock, const ErrorLogger& logger,
        platform::Dialogs& dialogs, LogDatabaseSource logDatabase, QWidget* recentLogs,
        QWidget* parent = nullptr);
    ~CaptureTab() override;

    platform::UdpSocket& socket() { return *m_socket; }

    void cmdCapture_Click();
    void cmdStopCapture_Click();
    void Winsock1_DataArrival();

private:
    void showSocketState(const QString& caption);
    void showMessage(const QString& text);
    void countMissingKey();
    LogDatabase& logDatabase() const;

    const FieldKeys& m_keys;
    const Clock& m_clock;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    LogDatabaseSource m_logDatabase;
    platform::UdpSocket* m_socket;

    QPushButton* m_cmdCapture;
    QGroupBox* m_frame;
    QLineEdit* m_txtRemoteHostIP;
    QLineEdit* m_txtRemoteHostPort;
    QLineEdit* m_txtLocalHostPort;
    QCheckBox* m_chkState;
    QPushButton* m_cmdStopCapture;
    QPlainTextEdit* m_txtSyslogMsg;
    QLineEdit* m_txtNoMsgs;
    QLineEdit* m_txtMissed;
    QLineEdit* m_txtDBsize;
    // Laying out and painting the boxes costs more than storing a row: under
    // a burst the message box takes the newest text, and the frame paints,
    // at most once every 16 ms.
    QTimer* m_messageFrame;
    QString m_shownMessage;
    QString m_latestMessage;
};

} // namespace corvane
