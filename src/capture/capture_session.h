#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace corvane {

class Clock;
class ErrorLogger;
class FieldKeys;
class LogDatabase;

namespace platform {
class Dialogs;
class UdpSocket;
} // namespace platform

// What a capture has done since it was made, for a status line.
struct CaptureStatistics {
    long long received = 0;
    long long logged = 0;
    long long keysIgnored = 0;
    long long dropped = 0;
};

// The road of one datagram, without widgets: Start and Stop Capture, and for
// every datagram the text shown, the parse with each missing key counted and
// stored in missed, the syslog row, the logged count, the size shown and the
// stop at the size limit. The capture tab and the capture service show what
// it reports through its signals; failures go through LogError.
class CaptureSession : public QObject {
    Q_OBJECT
public:
    // The log views are opened by the main window's load; until they are, or
    // when they could not be, every append fails.
    using LogDatabaseSource = std::function<LogDatabase*()>;
    // What happens past the size limit, after the datagram's row is stored:
    // by default the warning, then Stop Capture.
    using SizeLimitAction = std::function<void()>;

    CaptureSession(const FieldKeys& keys, const Clock& clock, const ErrorLogger& logger,
        platform::Dialogs& dialogs, LogDatabaseSource logDatabase, QObject* parent = nullptr);
    ~CaptureSession() override;

    platform::UdpSocket& socket() { return *m_socket; }

    // Start Capture with the texts of the three socket boxes; true when the
    // socket is bound. A failure is logged and leaves the state as it was.
    bool startCapture(const QString& remoteHost, const QString& remotePort, const QString& localPort);
    // Binds to one local address rather than every IPv4 one.
    bool startCapture(const QString& bindAddress, int localPort);
    void stopCapture();
    void Winsock1_DataArrival();

    // The "Messages Ignored" count lives in its box, which the user may edit.
    void setMissedText(const QString& text) { m_missedText = text; }
    const QString& missedText() const { return m_missedText; }
    void setSizeLimitAction(SizeLimitAction action) { m_sizeLimitAction = std::move(action); }

    const CaptureStatistics& statistics() const { return m_statistics; }

signals:
    void messageShown(const QString& text);
    void missedCountShown(const QString& count);
    void loggedCountShown(const QString& count);
    void sizeShown(const QString& size);
    // 0 closed, 1 bound, with the check box's caption.
    void stateShown(int state, const QString& caption);

private:
    void countMissingKey();
    void showState(const QString& caption);
    LogDatabase& logDatabase() const;

    const FieldKeys& m_keys;
    const Clock& m_clock;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    LogDatabaseSource m_logDatabase;
    platform::UdpSocket* m_socket;
    QString m_missedText;
    SizeLimitAction m_sizeLimitAction;
    CaptureStatistics m_statistics;
};

// The next "Messages Ignored" count from the box's text: its numeric value,
// rounded, plus one. A text that is not a number, or a value the count cannot
// hold, counts as 0, so no text in the box ever stops a datagram being stored.
qint64 nextMissedCount(const QString& text);

inline constexpr QLatin1StringView CaptureOffCaption { "Capture:OFF" };
inline constexpr QLatin1StringView CaptureOnCaption { "Capture:ON" };
inline constexpr QLatin1StringView PreparingText { "Preparing to Capture Data... Please wait" };

} // namespace corvane
