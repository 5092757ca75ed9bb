#pragma once

#include "capture/syslog_record.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

class Clock;
class ErrorLogger;
class LogDatabase;

namespace platform {
class Dialogs;
class Failure;
class UdpSocket;
} // namespace platform

// Every datagram that reached the socket, for a status line: received is
// always logged + dropped + failed + waiting.
struct CaptureStatistics {
    long long received = 0;
    long long logged = 0;
    long long keysIgnored = 0;
    // Dropped by the system or by a full queue before they could be handled.
    long long dropped = 0;
    // Handled but not stored: a failure that trying again cannot mend, or
    // still waiting when capture was abandoned.
    long long failed = 0;
    // Received and not yet stored: queued, or held while the disk is full.
    long long waiting = 0;
    // The database's size as last seen.
    qint64 databaseBytes = 0;
};

// The road of one datagram, without widgets: Start and Stop Capture, and for
// every datagram the text shown, the parse with each missing key counted, the
// missed and syslog rows, the logged count, the size shown and the size limit.
// The capture tab and the capture service show what it reports through its
// signals; failures go through LogError.
//
// Nothing received is lost uncounted: Stop Capture frees the port at once and
// still stores what was received before (drained() follows); a datagram that
// cannot be stored for lack of space or a lock is held and tried again with
// a growing pause, the rest waiting behind it, and capture resumes by itself.
// The log database is open only while there is something to store, so that
// another program may archive the file in between.
class CaptureSession : public QObject {
    Q_OBJECT
public:
    using LogDatabaseFactory = std::function<std::unique_ptr<LogDatabase>()>;
    // What happens past the size limit, after the datagram's row is stored:
    // by default the warning, then Stop Capture.
    using SizeLimitAction = std::function<void()>;

    CaptureSession(const Clock& clock, const ErrorLogger& logger, platform::Dialogs& dialogs,
        LogDatabaseFactory openDatabase, QObject* parent = nullptr);
    ~CaptureSession() override;

    platform::UdpSocket& socket() { return *m_socket; }

    // Start Capture with the texts of the three socket boxes; true when the
    // database is open and the socket bound. A failure is logged and leaves
    // the state as it was.
    bool startCapture(const QString& remoteHost, const QString& remotePort, const QString& localPort);
    // Binds to one local address rather than every IPv4 one.
    bool startCapture(const QString& bindAddress, int localPort);
    // The port is free at once; what was received is still stored.
    void stopCapture();
    // Ends at once without storing what still waits (the end of a service
    // whose disk stays full, a database that is gone): those are counted as
    // failed, and their number comes back.
    long long abandon();
    void Winsock1_DataArrival();

    // Bound to its port.
    bool isCapturing() const;
    // Capturing, or still storing what was received.
    bool isStoring() const;
    // Waiting for space (or a lock) to store the held datagram.
    bool isHolding() const { return m_holding; }

    // Open while storing; null otherwise.
    LogDatabase* logDatabase() { return m_database.get(); }
    // For an owner that archives the file: the session's connections go,
    // and come back on reopenDatabase() (which throws when it cannot).
    void closeDatabase();
    void reopenDatabase();

    // The "Messages Ignored" count lives in its box, which the user may edit.
    void setMissedText(const QString& text) { m_missedText = text; }
    const QString& missedText() const { return m_missedText; }
    void setSizeLimitAction(SizeLimitAction action) { m_sizeLimitAction = std::move(action); }

    CaptureStatistics statistics() const;

signals:
    void messageShown(const QString& text);
    void missedCountShown(const QString& count);
    void loggedCountShown(const QString& count);
    void sizeShown(const QString& size);
    // 0 closed, 1 bound, with the check box's caption.
    void stateShown(int state, const QString& caption);
    // A line about capture that is not a new failure (still waiting, resumed,
    // repeated failures counted); it is in the error log too.
    void noticeShown(const QString& text);
    // Stopped, and every datagram received before has been handled.
    void drained();
    // A datagram could not be stored for now and waits, with those behind it.
    void holding();

private:
    // One datagram cut and counted, ready to be stored.
    struct Parsed {
        QString message;
        int missingKeys = 0;
        SyslogRecord record;
    };
    struct RepeatedFailure {
        int number = 0;
        QString description;
        long long repeats = 0;
        QElapsedTimer since;
    };

    bool store(Parsed& datagram);
    void stored(long long count);
    void holdForRetry(Parsed datagram, const platform::Failure& failure);
    void retryHeld();
    void reportFailure(const platform::Failure& failure);
    void noteRepeats();
    void endRepeatedFailure();
    void notice(int number, const QString& text);
    void finishIfDrained();
    void openDatabaseIfClosed();
    void countMissingKey();
    void showState(const QString& caption);

    const Clock& m_clock;
    const ErrorLogger& m_logger;
    platform::Dialogs& m_dialogs;
    LogDatabaseFactory m_openDatabase;
    std::unique_ptr<LogDatabase> m_database;
    platform::UdpSocket* m_socket;
    QString m_missedText;
    SizeLimitAction m_sizeLimitAction;
    bool m_stopping = false;

    long long m_logged = 0;
    long long m_keysIgnored = 0;
    long long m_failed = 0;
    // Kernel drops of earlier bindings; the socket counts the current one's.
    long long m_earlierKernelDrops = 0;
    long long m_reportedKernelDrops = 0;
    qint64 m_lastDatabaseBytes = 0;

    std::optional<Parsed> m_held;
    bool m_holding = false;
    QTimer m_retry;
    int m_retryDelayMs = 0;
    QElapsedTimer m_lastHoldNotice;
    std::optional<RepeatedFailure> m_repeated;
};

// The next "Messages Ignored" count from the box's text: its numeric value,
// rounded, plus one. A text that is not a number, or a value the count cannot
// hold, counts as 0, so no text in the box ever stops a datagram being stored.
qint64 nextMissedCount(const QString& text);

inline constexpr QLatin1StringView CaptureOffCaption { "Capture:OFF" };
inline constexpr QLatin1StringView CaptureOnCaption { "Capture:ON" };
inline constexpr QLatin1StringView PreparingText { "Preparing to Capture Data... Please wait" };

} // namespace corvane
