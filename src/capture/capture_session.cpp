#include "capture/capture_session.h"

#include "base/conversions.h"
#include "base/error_logger.h"
#include "base/trap.h"
#include "capture/log_database.h"
#include "capture/message_parser.h"
#include "platform/dialogs/dialogs.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"

#include <cmath>
#include <limits>

namespace corvane {

CaptureSession::CaptureSession(const FieldKeys& keys, const Clock& clock, const ErrorLogger& logger,
    platform::Dialogs& dialogs, LogDatabaseSource logDatabase, QObject* parent)
    : QObject(parent)
    , m_keys(keys)
    , m_clock(clock)
    , m_logger(logger)
    , m_dialogs(dialogs)
    , m_logDatabase(std::move(logDatabase))
    , m_socket(new platform::UdpSocket(this))
{
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    connect(m_socket, &platform::UdpSocket::dataArrival, this, &CaptureSession::Winsock1_DataArrival);
    connect(m_socket, &platform::UdpSocket::overflowed, this, [this](quint64 dropped) {
        m_statistics.dropped += static_cast<long long>(dropped);
        trap(m_logger, [&] {
            throw platform::failure::ReceiveQueueOverflow.make(
                QStringLiteral("%1 datagrams arrived faster than they could be stored and were lost")
                    .arg(dropped));
        });
    });
}

CaptureSession::~CaptureSession() = default;

bool CaptureSession::startCapture(
    const QString& remoteHost, const QString& remotePort, const QString& localPort)
{
    return trap(m_logger, [&] {
        emit messageShown(QString(PreparingText));
        m_socket->setRemoteHost(remoteHost);
        m_socket->setRemotePort(toWholeNumber(remotePort));
        const int port = toWholeNumber(localPort);
        // Setting the port of a bound socket is refused, as it always was.
        if (m_socket->state() != 0)
            throw platform::failure::SocketAlreadyBound.make();
        m_socket->setLocalPort(port);
        m_socket->bind(port);
        showState(QString(CaptureOnCaption));
    });
}

bool CaptureSession::startCapture(const QString& bindAddress, int localPort)
{
    return trap(m_logger, [&] {
        m_socket->bind(bindAddress, localPort);
        showState(QString(CaptureOnCaption));
    });
}

void CaptureSession::stopCapture()
{
    trap(m_logger, [&] {
        m_socket->close();
        showState(QString(CaptureOffCaption));
    });
}

void CaptureSession::showState(const QString& caption)
{
    emit stateShown(m_socket->state(), caption);
}

void CaptureSession::Winsock1_DataArrival()
{
    ++m_statistics.received;
    trap(m_logger, [&] {
        const QString message = m_socket->readDatagram();
        emit messageShown(message);
        const SyslogRecord record
            = ParseSyslogMessage(message, m_keys, m_clock, [&](const QString&, const QString& text) {
                  // Counted first: without a database the count still rises
                  // before the append fails.
                  countMissingKey();
                  logDatabase().AppendMissedRow(text);
              });
        LogDatabase& database = logDatabase();
        const long long count = database.AppendSyslogRecord(record);
        ++m_statistics.logged;
        emit loggedCountShown(QString::number(count));
        if (!database.CheckDatabaseSize([&](const QString& size) { emit sizeShown(size); }))
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

void CaptureSession::countMissingKey()
{
    m_missedText = QString::number(nextMissedCount(m_missedText));
    ++m_statistics.keysIgnored;
    emit missedCountShown(m_missedText);
}

LogDatabase& CaptureSession::logDatabase() const
{
    LogDatabase* database = m_logDatabase ? m_logDatabase() : nullptr;
    if (!database)
        throw platform::failure::ObjectNotSet.make();
    return *database;
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
