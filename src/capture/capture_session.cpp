#include "capture/capture_session.h"

#include "base/conversions.h"
#include "base/error_logger.h"
#include "base/trap.h"
#include "capture/log_database.h"
#include "capture/message_parser.h"
#include "platform/dialogs/dialogs.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

// Tries again after a failure that time may mend, waiting longer each time:
// soon enough that capture resumes within seconds of space coming back.
constexpr int FirstRetryMs = 250;
constexpr int LongestRetryMs = 8000;
// While a hold or a run of identical failures lasts, one line a minute.
constexpr qint64 NoticeEveryMs = 60'000;

// Failures that go away by themselves: a full disk, a write the system
// refused for now, a lock held by another program.
bool mendsWithTime(const platform::Failure& failure)
{
    using namespace platform::failure;
    const int number = failure.number();
    return number == DiskFull.number || number == DiskError.number || number == CurrentlyLocked.number;
}

} // namespace

CaptureSession::CaptureSession(const Clock& clock, const ErrorLogger& logger, platform::Dialogs& dialogs,
    LogDatabaseFactory openDatabase, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_logger(logger)
    , m_dialogs(dialogs)
    , m_openDatabase(std::move(openDatabase))
    , m_socket(new platform::UdpSocket(this))
{
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    connect(m_socket, &platform::UdpSocket::dataArrival, this, &CaptureSession::Winsock1_DataArrival);
    connect(m_socket, &platform::UdpSocket::overflowed, this, [this](quint64 dropped) {
        trap(m_logger, [&] {
            throw platform::failure::ReceiveQueueOverflow.make(
                QStringLiteral("%1 datagrams arrived faster than they could be stored and were lost")
                    .arg(dropped));
        });
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &CaptureSession::retryHeld);
}

CaptureSession::~CaptureSession() = default;

bool CaptureSession::isCapturing() const
{
    return m_socket->state() != 0 && !m_stopping;
}

bool CaptureSession::isStoring() const
{
    return m_socket->state() != 0 || m_holding;
}

void CaptureSession::openDatabaseIfClosed()
{
    if (!m_database)
        m_database = m_openDatabase ? m_openDatabase() : nullptr;
    if (!m_database)
        throw platform::failure::ObjectNotSet.make();
}

bool CaptureSession::startCapture(
    const QString& remoteHost, const QString& remotePort, const QString& localPort)
{
    return trap(m_logger, [&] {
        emit messageShown(QString(PreparingText));
        m_socket->setRemoteHost(remoteHost);
        m_socket->setRemotePort(toWholeNumber(remotePort));
        const int port = toWholeNumber(localPort);
        // Setting the port of a bound socket is refused, as it always was.
        if (isCapturing())
            throw platform::failure::SocketAlreadyBound.make();
        openDatabaseIfClosed();
        m_socket->setLocalPort(port);
        const auto earlierDrops = static_cast<long long>(m_socket->kernelDrops()); // a bind starts anew
        m_socket->bind(port);
        m_earlierKernelDrops += earlierDrops;
        m_stopping = false;
        showState(QString(CaptureOnCaption));
    });
}

bool CaptureSession::startCapture(const QString& bindAddress, int localPort)
{
    return trap(m_logger, [&] {
        openDatabaseIfClosed();
        const auto earlierDrops = static_cast<long long>(m_socket->kernelDrops()); // a bind starts anew
        m_socket->bind(bindAddress, localPort);
        m_earlierKernelDrops += earlierDrops;
        m_stopping = false;
        showState(QString(CaptureOnCaption));
    });
}

void CaptureSession::stopCapture()
{
    trap(m_logger, [&] {
        if (isCapturing()) {
            m_stopping = true;
            m_socket->stopReceiving();
        }
        emit stateShown(0, QString(CaptureOffCaption));
        finishIfDrained();
    });
}

long long CaptureSession::abandon()
{
    m_retry.stop();
    m_socket->stopReceiving(); // what the system still holds is counted too
    long long unstored = static_cast<long long>(m_socket->close());
    if (m_held) {
        m_held.reset();
        ++unstored;
    }
    m_holding = false;
    m_failed += unstored;
    m_stopping = false;
    finishIfDrained();
    return unstored;
}

void CaptureSession::showState(const QString& caption)
{
    emit stateShown(m_socket->state(), caption);
}

void CaptureSession::Winsock1_DataArrival()
{
    Parsed datagram;
    try {
        datagram.message = m_socket->readDatagram();
        emit messageShown(datagram.message);
        datagram.record = ParseSyslogMessage(datagram.message, m_clock, [&](const QString&, const QString&) {
            countMissingKey();
            ++datagram.missingKeys;
        });
    } catch (const platform::Failure& failure) {
        ++m_failed;
        reportFailure(failure);
        finishIfDrained();
        return;
    }
    store(datagram);
    finishIfDrained();
}

// True when stored; otherwise the datagram is held or counted as failed.
bool CaptureSession::store(Parsed& datagram)
{
    long long count = 0;
    try {
        openDatabaseIfClosed();
        count = m_database->storeDatagram(datagram.message, datagram.missingKeys, datagram.record);
    } catch (const platform::Failure& failure) {
        if (mendsWithTime(failure)) {
            holdForRetry(std::move(datagram), failure);
        } else {
            ++m_failed;
            reportFailure(failure);
        }
        return false;
    }
    stored(count);
    return true;
}

void CaptureSession::stored(long long count)
{
    ++m_logged;
    endRepeatedFailure();
    emit loggedCountShown(QString::number(count));
    trap(m_logger, [&] {
        if (!m_database->CheckDatabaseSize([&](const QString& size) { emit sizeShown(size); }))
            return;
        // Once per capture: the datagrams stored after the stop are past the
        // limit too.
        if (!isCapturing())
            return;
        // Last, as the owner's action may replace the database.
        if (m_sizeLimitAction) {
            m_sizeLimitAction();
        } else {
            m_dialogs.showMessage(MaximumSizeMessage, ApplicationTitle);
            stopCapture();
        }
    });
}

// The datagram waits, and every later one behind it in the socket's queue,
// until storing works again.
void CaptureSession::holdForRetry(Parsed datagram, const platform::Failure& failure)
{
    m_held = std::move(datagram);
    m_socket->setDeliveryPaused(true);
    if (!m_holding) {
        m_holding = true;
        m_retryDelayMs = FirstRetryMs;
        m_lastHoldNotice.start();
        reportFailure(platform::Failure(failure.number(),
            failure.description()
                + QStringLiteral(" - capture waits and tries again; received datagrams are kept")));
        emit holding();
    } else {
        m_retryDelayMs = std::min(m_retryDelayMs * 2, LongestRetryMs);
        if (m_lastHoldNotice.elapsed() >= NoticeEveryMs) {
            m_lastHoldNotice.start();
            notice(failure.number(),
                QStringLiteral("%1 - still waiting: %2 received datagrams not yet stored")
                    .arg(failure.description())
                    .arg(statistics().waiting));
        }
    }
    m_retry.start(m_retryDelayMs);
}

void CaptureSession::retryHeld()
{
    if (!m_held)
        return;
    Parsed datagram = std::move(*m_held);
    m_held.reset();
    if (m_database)
        m_database->releaseLogSpace();
    if (!store(datagram))
        return; // held again, or counted as failed
    m_holding = false;
    m_socket->setDeliveryPaused(false);
    notice(platform::failure::DiskFull.number,
        QStringLiteral("Storing works again: capture goes on, %1 datagrams waiting")
            .arg(statistics().waiting));
    finishIfDrained();
}

// One box for a run of identical failures; the repeats are counted into the
// log, once a minute while the run lasts and once at its end.
void CaptureSession::reportFailure(const platform::Failure& failure)
{
    if (m_repeated && m_repeated->number == failure.number()
        && m_repeated->description == failure.description()) {
        ++m_repeated->repeats;
        if (m_repeated->since.elapsed() >= NoticeEveryMs)
            noteRepeats();
        return;
    }
    endRepeatedFailure();
    m_repeated = RepeatedFailure { failure.number(), failure.description(), 0, {} };
    m_repeated->since.start();
    m_logger.LogError(failure);
}

void CaptureSession::noteRepeats()
{
    if (m_repeated->repeats > 0)
        notice(m_repeated->number,
            QStringLiteral("%1 - the same failure again %2 times")
                .arg(m_repeated->description)
                .arg(m_repeated->repeats));
    m_repeated->repeats = 0;
    m_repeated->since.start();
}

void CaptureSession::endRepeatedFailure()
{
    if (!m_repeated)
        return;
    noteRepeats();
    m_repeated.reset();
}

void CaptureSession::notice(int number, const QString& text)
{
    const platform::Failure failure(number, text);
    m_logger.logQuietly(failure);
    emit noticeShown(ErrorLogger::failureMessage(failure));
}

// After a stop, once the last datagram received is stored: the database is
// let go, and drops the system counted are told once.
void CaptureSession::finishIfDrained()
{
    if (m_held)
        return;
    if (m_socket->state() != 0) {
        if (!m_stopping || m_socket->pendingDatagrams() != 0)
            return;
        m_socket->close(); // the last datagram received is stored
    }
    const long long kernel = m_earlierKernelDrops + static_cast<long long>(m_socket->kernelDrops());
    if (kernel > m_reportedKernelDrops) {
        const long long more = kernel - m_reportedKernelDrops;
        m_reportedKernelDrops = kernel;
        trap(m_logger, [&] {
            throw platform::failure::ReceiveQueueOverflow.make(
                QStringLiteral("%1 datagrams were dropped by the system before they could be read")
                    .arg(more));
        });
    }
    endRepeatedFailure();
    closeDatabase();
    m_stopping = false;
    emit drained();
}

void CaptureSession::closeDatabase()
{
    if (m_database)
        m_lastDatabaseBytes = m_database->currentSize();
    m_database.reset();
}

void CaptureSession::reopenDatabase()
{
    openDatabaseIfClosed();
}

CaptureStatistics CaptureSession::statistics() const
{
    CaptureStatistics s;
    s.logged = m_logged;
    s.keysIgnored = m_keysIgnored;
    s.failed = m_failed;
    s.dropped = m_earlierKernelDrops + static_cast<long long>(m_socket->kernelDrops())
        + static_cast<long long>(m_socket->queueDrops());
    s.waiting = static_cast<long long>(m_socket->pendingDatagrams()) + (m_held ? 1 : 0);
    s.received = s.logged + s.dropped + s.failed + s.waiting;
    s.databaseBytes = m_database ? m_database->currentSize() : m_lastDatabaseBytes;
    return s;
}

void CaptureSession::countMissingKey()
{
    m_missedText = QString::number(nextMissedCount(m_missedText));
    ++m_keysIgnored;
    emit missedCountShown(m_missedText);
}

qint64 nextMissedCount(const QString& text)
{
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    bool whole = false;
    qint64 count = text.trimmed().toLongLong(&whole);
    if (!whole) {
        double value = 0;
        try {
            value = roundHalfEven(leadingNumber(text));
        } catch (const platform::Failure&) {
            value = 0; // beyond the double range
        }
        // 2^63 is the first double past the count's range.
        count = std::isfinite(value) && std::fabs(value) < 9.223372036854775808e18
            ? static_cast<qint64>(value)
            : 0;
    }
    return count == largest ? 1 : count + 1;
}

} // namespace corvane
