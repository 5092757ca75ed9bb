#include "capture_service.h"

#include "base/clock.h"
#include "base/new_database.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "platform/db/sole_access.h"
#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"

#include <QDir>
#include <QFileInfo>
#include <limits>

namespace corvane {

namespace {

// How often the service makes sure its database is still the file the
// folder names.
constexpr int FileCheckMs = 1000;
// Retention runs after each rotation and once a day.
constexpr int RetentionEveryMs = 24 * 60 * 60 * 1000;

QString fileProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("%1: no such file (corvane-newdb makes one)").arg(path);
    if (!info.isFile())
        return QStringLiteral("%1: not a file").arg(path);
    if (!info.isReadable() || !info.isWritable())
        return QStringLiteral("%1: no permission to read and write it").arg(path);
    return {};
}

} // namespace

std::optional<CaptureServiceOptions> parseCaptureServiceOptions(
    const QStringList& arguments, const QString& programFolder, QString* error)
{
    // The timer counts milliseconds in an int.
    constexpr int LongestStatusSeconds = std::numeric_limits<int>::max() / 1000;
    CaptureServiceOptions options;
    options.folder = programFolder;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--rotate")) {
            options.rotate = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("%1 needs a value").arg(name);
            return std::nullopt;
        }
        const QString value = arguments[++i];
        bool number = false;
        if (name == QLatin1String("--folder")) {
            options.folder = value;
        } else if (name == QLatin1String("--bind")) {
            options.bindAddress = value;
        } else if (name == QLatin1String("--port")) {
            options.port = value.toInt(&number);
            if (!number || options.port < 0 || options.port > 65535) {
                *error = QStringLiteral("--port takes 0 to 65535, not %1").arg(value);
                return std::nullopt;
            }
        } else if (name == QLatin1String("--size-limit")) {
            options.sizeLimit = value.toLongLong(&number);
            if (!number || options.sizeLimit < 0 || options.sizeLimit > MaxDatabaseBytes) {
                *error = QStringLiteral("--size-limit takes 0 to %1 bytes, not %2")
                             .arg(MaxDatabaseBytes)
                             .arg(value);
                return std::nullopt;
            }
        } else if (name == QLatin1String("--keep-days")) {
            options.retention.keepDays = value.toInt(&number);
            if (!number || *options.retention.keepDays < 0) {
                *error = QStringLiteral("--keep-days takes a whole number of days, not %1").arg(value);
                return std::nullopt;
            }
        } else if (name == QLatin1String("--keep-bytes")) {
            options.retention.keepBytes = value.toLongLong(&number);
            if (!number || *options.retention.keepBytes < 0) {
                *error = QStringLiteral("--keep-bytes takes a number of bytes, not %1").arg(value);
                return std::nullopt;
            }
        } else if (name == QLatin1String("--status-every")) {
            options.statusEverySeconds = value.toInt(&number);
            if (!number || options.statusEverySeconds < 1
                || options.statusEverySeconds > LongestStatusSeconds) {
                *error = QStringLiteral("--status-every takes 1 to %1 seconds, not %2")
                             .arg(LongestStatusSeconds)
                             .arg(value);
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("unknown option %1").arg(name);
            return std::nullopt;
        }
    }
    return options;
}

CaptureService::CaptureService(CaptureServiceOptions options, platform::Dialogs& dialogs, const Clock& clock,
    std::FILE* stream, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_clock(clock)
    , m_stream(stream)
    , m_logger(QDir::cleanPath(m_options.folder), dialogs)
    , m_engine([this] { return m_clock.now(); })
    , m_session(new CaptureSession(
          clock, m_logger, dialogs,
          [this] { return std::make_unique<LogDatabase>(m_engine, databasePath(), m_options.sizeLimit); },
          this))
{
    m_status.setInterval(m_options.statusEverySeconds * 1000);
    connect(&m_status, &QTimer::timeout, this, &CaptureService::writeStatus);
    m_fileCheck.setInterval(FileCheckMs);
    m_retention.setInterval(RetentionEveryMs);
    connect(&m_retention, &QTimer::timeout, this, &CaptureService::applyRetention);
    connect(&m_fileCheck, &QTimer::timeout, this, &CaptureService::checkDatabaseFile);
    connect(m_session, &CaptureSession::noticeShown, this, &CaptureService::writeLine);
    connect(m_session, &CaptureSession::drained, this, [this] {
        if (m_exitAfterDrain && !m_abandoning)
            finish(m_session->statistics().failed > m_failedBeforeStop ? Unstored : *m_exitAfterDrain);
    });
    // A stop cannot wait for space that may never come.
    connect(m_session, &CaptureSession::holding, this, [this] {
        if (m_exitAfterDrain)
            abandonUnstored();
    });
    m_session->setSizeLimitAction([this] {
        if (m_options.rotate) {
            rotate();
        } else {
            writeLine(QString(MaximumSizeMessage));
            stopAfterDraining(DatabaseFull);
        }
    });
}

CaptureService::~CaptureService() = default;

QString CaptureService::databasePath() const
{
    return SharedState::databasePathIn(QDir::cleanPath(m_options.folder));
}

LogDatabase* CaptureService::logDatabase()
{
    return m_session->logDatabase();
}

bool CaptureService::start()
{
    // Never made here: a missing file is the operator's to make.
    for (const QString& path : { databasePath(), m_logger.logPath() }) {
        if (const QString problem = fileProblem(path); !problem.isEmpty()) {
            writeLine(problem);
            return false;
        }
    }
    try {
        m_session->reopenDatabase();
    } catch (const platform::Failure& failure) {
        writeLine(QStringLiteral("%1: %2 (error %3)")
                      .arg(databasePath(), failure.description())
                      .arg(failure.number()));
        return false;
    }
    if (!m_session->startCapture(m_options.bindAddress, m_options.port)) {
        m_session->closeDatabase();
        return false; // the reason is on the stream and in the error log
    }
    writeLine(QStringLiteral("capturing on %1 port %2 into %3")
                  .arg(m_options.bindAddress)
                  .arg(m_session->socket().boundPort())
                  .arg(databasePath()));
    writeStatus();
    m_status.start();
    m_fileCheck.start();
    if (m_options.retention.any()) {
        applyRetention();
        m_retention.start();
    }
    return true;
}

void CaptureService::shutDown()
{
    stopAfterDraining(Stopped);
}

void CaptureService::stopAfterDraining(int exitStatus)
{
    if (m_finished || m_exitAfterDrain)
        return;
    m_exitAfterDrain = exitStatus;
    m_failedBeforeStop = m_session->statistics().failed;
    if (m_session->isHolding()) {
        abandonUnstored();
        return;
    }
    m_session->stopCapture(); // finishes through drained()
}

void CaptureService::abandonUnstored()
{
    m_abandoning = true;
    const long long unstored = m_session->abandon();
    writeLine(QStringLiteral("stopping with %1 received datagrams not stored: the database cannot take them")
                  .arg(unstored));
    finish(unstored > 0 ? Unstored : *m_exitAfterDrain);
}

void CaptureService::checkDatabaseFile()
{
    LogDatabase* database = m_session->logDatabase();
    if (m_finished || !database || !database->fileHasMoved())
        return;
    database->abandonMovedFile();
    const long long unstored = m_session->abandon();
    const platform::Failure failure(platform::failure::CannotOpenDatabase.number,
        QStringLiteral(
            "%1 was deleted or replaced while capturing into it: capture stopped at once; %2 received "
            "datagrams not stored")
            .arg(databasePath())
            .arg(unstored));
    writeLine(ErrorLogger::failureMessage(failure));
    m_logger.logQuietly(failure);
    finish(DatabaseReplaced);
}

void CaptureService::writeStatus()
{
    const CaptureStatistics s = m_session->statistics();
    writeLine(
        QStringLiteral("received %1, logged %2, keys ignored %3, database %4 bytes, dropped %5, failed %6, "
                       "waiting %7")
            .arg(s.received)
            .arg(s.logged)
            .arg(s.keysIgnored)
            .arg(s.databaseBytes)
            .arg(s.dropped)
            .arg(s.failed)
            .arg(s.waiting));
}

void CaptureService::finish(int exitStatus)
{
    if (m_finished)
        return;
    m_finished = true;
    m_status.stop();
    m_fileCheck.stop();
    m_retention.stop();
    writeStatus();
    emit finished(exitStatus);
}

// The full file goes aside and capture goes on in a new one; the datagrams
// arriving meanwhile wait in the socket's queue. Only while no other program
// has the file open: until then capture goes on past the limit, and the
// rotation is tried again now and then.
void CaptureService::rotate()
{
    if (m_lastRotationAttempt.isValid() && m_lastRotationAttempt.elapsed() < m_options.rotationRetryMs)
        return;
    m_lastRotationAttempt.start();
    const qint64 size = m_session->logDatabase()->currentSize();
    // Closing and reopening the log costs a count of the whole table: not
    // while another program is seen holding the file. Otherwise the proof
    // decides, which also sees what this look cannot.
    if (platform::db::SoleAccess::lockedByAnotherProcess(databasePath())) {
        notePostponedRotation(size);
        return;
    }
    const QString archive = newArchivePath(m_options.folder, m_clock.now());
    bool archived = false;
    const bool reopened = trap(m_logger, [&] {
        m_session->closeDatabase();
        try {
            if (auto held
                = platform::db::SoleAccess::tryTake(databasePath(), [this] { return m_clock.now(); })) {
                archiveAndRenewDatabase(*held, archive);
                archived = true;
            }
        } catch (const platform::Failure&) {
            m_session->reopenDatabase();
            throw;
        }
        m_session->reopenDatabase();
    });
    if (!reopened) {
        stopAfterDraining(DatabaseFull);
        return;
    }
    if (archived) {
        m_rotationPostponed = false;
        writeLine(QStringLiteral("the database reached %1 bytes: archived as %2, capturing into a new %3")
                      .arg(size)
                      .arg(archive, databasePath()));
        applyRetention();
    } else {
        notePostponedRotation(size);
    }
}

void CaptureService::notePostponedRotation(qint64 size)
{
    if (std::exchange(m_rotationPostponed, true))
        return;
    const platform::Failure failure(platform::failure::FileAlreadyInUse.number,
        QStringLiteral("%1 reached %2 bytes, but another program has it open: it is archived once that "
                       "program lets it go; capture goes on in it meanwhile")
            .arg(databasePath())
            .arg(size));
    writeLine(ErrorLogger::failureMessage(failure));
    m_logger.logQuietly(failure);
}

void CaptureService::applyRetention()
{
    if (!m_options.retention.any())
        return;
    const QString folder = QDir::cleanPath(m_options.folder);
    for (const Archive& archive :
        archivesPastLimits(findArchives(folder), m_options.retention, m_clock.now())) {
        if (isOpenElsewhere(archive.path)) {
            writeLine(QStringLiteral("%1 is past the retention limits but open elsewhere: kept for now")
                          .arg(archive.path));
            continue;
        }
        if (!QFile::remove(archive.path)) {
            trap(m_logger, [&] { throw platform::failure::PathFileAccessError.make(archive.path); });
            continue;
        }
        const platform::Failure deleted(platform::failure::FileNotFound.number,
            QStringLiteral("%1 deleted by the retention limits (%2 bytes, archived %3)")
                .arg(archive.path)
                .arg(archive.bytes)
                .arg(archive.rotatedAt.toString(Qt::ISODate)));
        writeLine(deleted.description());
        m_logger.logQuietly(deleted);
    }
}

void CaptureService::writeLine(const QString& line)
{
    std::fprintf(m_stream, "corvane-capture: %s\n", line.toLocal8Bit().constData());
    std::fflush(m_stream);
}

} // namespace corvane
