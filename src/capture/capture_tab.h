#pragma once

#include <QWidget>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace corvane {

class CaptureSession;

namespace platform {
class UdpSocket;
}

// The capture tab shows a capture session: the socket settings, Start and
// Stop Capture, the datagram last received and the counters. The Logs grid
// goes below, its caption and button inside the frame.
class CaptureTab : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* DefaultRemoteHost = "192.168.1.1";
    static constexpr const char* DefaultRemotePort = "2350";
    static constexpr const char* DefaultLocalPort = "514";

    // The tab takes the session as its child. logsCaption and refreshLogs go
    // into the frame, recentLogs below it.
    CaptureTab(CaptureSession* session, QWidget* recentLogs, QWidget* logsCaption, QWidget* refreshLogs,
        QWidget* parent = nullptr);
    ~CaptureTab() override;

    CaptureSession& session() { return *m_session; }
    platform::UdpSocket& socket();

    void cmdCapture_Click();
    void cmdStopCapture_Click();

private:
    void showState(int state, const QString& caption);

    CaptureSession* m_session;

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
    // a burst they show the newest values at most once a frame, and exactly
    // once the burst is over.
    void schedulePaint();
    void paintFrame();
    QTimer* m_frameTimer;
    std::optional<QString> m_pendingMessage;
    std::optional<QString> m_pendingLogged;
    std::optional<QString> m_pendingSize;
    bool m_missedPending = false;
};

} // namespace corvane
