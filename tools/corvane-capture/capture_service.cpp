#include "capture_service.h"

#include "base/clock.h"
#include "base/new_database.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "capture/capture_session.h"
#include "capture/log_database.h"
#include "platform/failure/failure.h"
#include "platform/udp/udp_socket.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

namespace {

constexpr int DrainPollMs = 5;

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
        } else if (name == QLatin1String("--status-every")) {
            options.statusEverySeconds = value.toInt(&number);
            if (!number || options.statusEverySeconds < 1) {
                *error = QStringLiteral("--status-every takes a whole number of seconds, not %1").arg(value);
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
          m_keys, clock, m_logger, dialogs, [this] { return m_database.get(); }, this))
{
    m_status.setInterval(m_options.statusEverySeconds * 1000);
    connect(&m_status, &QTimer::timeout, this, &CaptureService::writeStatus);
    m_drain.setInterval(DrainPollMs);
    connect(&m_drain, &QTimer::timeout, this, [this] {
        if (m_session->socket().state() == 0)
            finish(Stopped);
    });
    // Stopped by the size limit: the warning is on the stream already.
    connect(m_session, &CaptureSession::stateShown, this, [this](int state) {
        if (state == 0 && !m_drain.isActive())
            finish(DatabaseFull);
    });
    if (m_options.rotate)
        m_session->setSizeLimitAction([this] { rotate(); });
}

CaptureService::~CaptureService() = default;

QString CaptureService::databasePath() const
{
    return SharedState::databasePathIn(QDir::cleanPath(m_options.folder));
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
        m_database = std::make_unique<LogDatabase>(m_engine, databasePath(), m_keys);
    } catch (const platform::Failure& failure) {
        writeLine(QStringLiteral("%1: %2 (error %3)")
                      .arg(databasePath(), failure.description())
                      .arg(failure.number()));
        return false;
    }
    if (!m_session->startCapture(m_options.bindAddress, m_options.port))
        return false; // the reason is on the stream and in the error log
    writeLine(QStringLiteral("capturing on %1 port %2 into %3")
                  .arg(m_options.bindAddress)
                  .arg(m_session->socket().boundPort())
                  .arg(databasePath()));
    writeStatus();
    m_status.start();
    return true;
}

void CaptureService::shutDown()
{
    if (m_finished || m_drain.isActive())
        return;
    m_status.stop();
    m_session->socket().stopReceiving();
    m_drain.start();
}

void CaptureService::writeStatus()
{
    const CaptureStatistics& s = m_session->statistics();
    const qint64 size = m_database ? m_database->currentSize() : 0;
    writeLine(QStringLiteral("received %1, logged %2, keys ignored %3, database %4 bytes, dropped %5")
                  .arg(s.received)
                  .arg(s.logged)
                  .arg(s.keysIgnored)
                  .arg(size)
                  .arg(s.dropped));
}

void CaptureService::finish(int exitStatus)
{
    if (m_finished)
        return;
    m_finished = true;
    m_drain.stop();
    m_status.stop();
    writeStatus();
    emit finished(exitStatus);
}

QString CaptureService::archivePath() const
{
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QDir folder(QDir::cleanPath(m_options.folder));
    QString path = folder.filePath(QStringLiteral("syslog97-%1.mdb").arg(stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("syslog97-%1-%2.mdb").arg(stamp).arg(n));
    return path;
}

// The full file goes aside and capture goes on in a new one; the datagrams
// arriving meanwhile wait in the socket's queue.
void CaptureService::rotate()
{
    const qint64 size = m_database->DatabaseFileSize();
    const QString archive = archivePath();
    const bool rotated = trap(m_logger, [&] {
        m_database->checkpoint();
        m_database.reset();
        try {
            archiveAndRenewDatabase(databasePath(), archive);
        } catch (const platform::Failure&) {
            m_database = std::make_unique<LogDatabase>(m_engine, databasePath(), m_keys);
            throw;
        }
        m_database = std::make_unique<LogDatabase>(m_engine, databasePath(), m_keys);
    });
    if (rotated) {
        writeLine(QStringLiteral("the database reached %1 bytes: archived as %2, capturing into a new %3")
                      .arg(size)
                      .arg(archive, databasePath()));
    } else {
        m_session->socket().close();
        finish(DatabaseFull);
    }
}

void CaptureService::writeLine(const QString& line)
{
    std::fprintf(m_stream, "corvane-capture: %s\n", line.toLocal8Bit().constData());
    std::fflush(m_stream);
}

} // namespace corvane
