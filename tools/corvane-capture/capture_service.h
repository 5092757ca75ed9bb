#pragma once

#include "archive_retention.h"
#include "base/error_logger.h"
#include "capture/log_database.h"
#include "platform/db/database_engine.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

namespace corvane {

class CaptureSession;
class Clock;
class LogDatabase;

struct CaptureServiceOptions {
    QString folder;
    int port = 514;
    QString bindAddress = QStringLiteral("0.0.0.0");
    bool rotate = false;
    int statusEverySeconds = 60;
    // Below MaxDatabaseBytes only to try rotation on a small file.
    qint64 sizeLimit = MaxDatabaseBytes;
    // How long a rotation that had to wait waits before it is tried again.
    int rotationRetryMs = 10'000;
    // Archives beyond these go after each rotation and once a day.
    RetentionLimits retention;
};

inline constexpr const char* CaptureServiceUsage
    = "usage: corvane-capture [--folder DIR] [--port N] [--bind ADDRESS] [--rotate] "
      "[--status-every SECONDS] [--size-limit BYTES] [--keep-days N] [--keep-bytes N]";

// The command line, without the program name; nothing or a usage error.
std::optional<CaptureServiceOptions> parseCaptureServiceOptions(
    const QStringList& arguments, const QString& programFolder, QString* error);

// corvane-capture: the capture session of the window without a window, on
// the database and error log of one folder. Boxes become lines on the
// stream; a status line at start, every few seconds and at the end.
class CaptureService : public QObject {
    Q_OBJECT
public:
    enum ExitStatus {
        // Every datagram received is stored.
        Stopped = 0,
        CannotStart = 2,
        // At the size limit without --rotate, after storing what it had.
        DatabaseFull = 3,
        // The database file was deleted or replaced; writing stopped at once.
        DatabaseReplaced = 4,
        // Received datagrams could not be stored (a full disk) at the end.
        Unstored = 5,
    };

    CaptureService(CaptureServiceOptions options, platform::Dialogs& dialogs, const Clock& clock,
        std::FILE* stream = stderr, QObject* parent = nullptr);
    ~CaptureService() override;

    // Opens the database and binds; false, with the reason written, when
    // either cannot be done.
    bool start();
    // Stops receiving, stores every datagram already received, then
    // finishes; while the disk is full it cannot, and finishes at once
    // with the datagrams not stored counted.
    void shutDown();

    CaptureSession& session() { return *m_session; }
    LogDatabase* logDatabase();
    QString databasePath() const;
    void writeStatus();
    // Stops at once when the database path no longer names the open file.
    void checkDatabaseFile();
    // Deletes the archives past the retention limits that nobody has open.
    void applyRetention();

signals:
    void finished(int exitStatus);

private:
    void finish(int exitStatus);
    void stopAfterDraining(int exitStatus);
    void abandonUnstored();
    void rotate();
    // Said once while the rotation waits for another program.
    void notePostponedRotation(qint64 size);
    void writeLine(const QString& line);

    CaptureServiceOptions m_options;
    const Clock& m_clock;
    std::FILE* m_stream;
    ErrorLogger m_logger;
    platform::db::DatabaseEngine m_engine;
    CaptureSession* m_session;
    QTimer m_status;
    QTimer m_fileCheck;
    QTimer m_retention;
    // Set once a stop began: the status to exit with once drained.
    std::optional<int> m_exitAfterDrain;
    long long m_failedBeforeStop = 0;
    bool m_abandoning = false;
    // Rotation waits while another program has the file open.
    QElapsedTimer m_lastRotationAttempt;
    bool m_rotationPostponed = false;
    bool m_finished = false;
};

} // namespace corvane
