#pragma once

#include "base/error_logger.h"
#include "base/field_keys.h"
#include "platform/db/database_engine.h"

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
};

// The command line, without the program name; nothing or a usage error.
std::optional<CaptureServiceOptions> parseCaptureServiceOptions(
    const QStringList& arguments, const QString& programFolder, QString* error);

// corvane-capture: the capture session of the window without a window, on
// the database and error log of one folder. Boxes become lines on the
// stream; a status line at start, every few seconds and at the end.
class CaptureService : public QObject {
    Q_OBJECT
public:
    enum ExitStatus { Stopped = 0, CannotStart = 2, DatabaseFull = 3 };

    CaptureService(CaptureServiceOptions options, platform::Dialogs& dialogs, const Clock& clock,
        std::FILE* stream = stderr, QObject* parent = nullptr);
    ~CaptureService() override;

    // Opens the database and binds; false, with the reason written, when
    // either cannot be done.
    bool start();
    // Stops receiving, stores every datagram already received, then finishes.
    void shutDown();

    CaptureSession& session() { return *m_session; }
    LogDatabase* logDatabase() { return m_database.get(); }
    QString databasePath() const;
    void writeStatus();

signals:
    void finished(int exitStatus);

private:
    void finish(int exitStatus);
    void rotate();
    QString archivePath() const;
    void writeLine(const QString& line);

    CaptureServiceOptions m_options;
    const Clock& m_clock;
    std::FILE* m_stream;
    ErrorLogger m_logger;
    FieldKeys m_keys;
    platform::db::DatabaseEngine m_engine;
    std::unique_ptr<LogDatabase> m_database;
    CaptureSession* m_session;
    QTimer m_status;
    QTimer m_drain;
    bool m_finished = false;
};

} // namespace corvane
