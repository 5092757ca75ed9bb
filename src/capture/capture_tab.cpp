#include "capture/capture_tab.h"

#include "base/conversions.h"
#include "base/error_logger.h"
#include "base/trap.h"
#include "capture/log_database.h"
#include "capture/message_parser.h"
#include "platform/failure/failure_codes.h"
#include "platform/udp/udp_socket.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace corvane {

namespace {

const QString CaptureOff = QStringLiteral("Capture:OFF");
const QString CaptureOn = QStringLiteral("Capture:ON");
const QString Preparing = QStringLiteral("Preparing to Capture Data... Please wait");

QLineEdit* addField(QFormLayout* form, const char* labelName, const QString& caption, const char* boxName,
    const QString& text, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(labelName));
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(boxName));
    box->setAccessibleName(caption);
    label->setBuddy(box);
    form->addRow(label, box);
    return box;
}

QLineEdit* addCounter(
    QFormLayout* form, const char* labelName, const QString& caption, const char* boxName, QWidget* parent)
{
    QLineEdit* box = addField(form, labelName, caption, boxName, QString(), parent);
    box->setReadOnly(true);
    return box;
}

} // namespace

CaptureTab::CaptureTab(const FieldKeys& keys, const Clock& clock, const ErrorLogger& logger,
    platform::Dialogs& dialogs, LogDatabaseSource logDatabase, QWidget* recentLogs, QWidget* parent)
    : QWidget(parent)
    , m_keys(keys)
    , m_clock(clock)
    , m_logger(logger)
    , m_dialogs(dialogs)
    , m_logDatabase(std::move(logDatabase))
    , m_socket(new platform::UdpSocket(this))
    , m_cmdCapture(new QPushButton(QStringLiteral("Start Capture"), this))
    , m_frame(new QGroupBox(this))
    , m_messageFrame(new QTimer(this))
{
    m_messageFrame->setSingleShot(true);
    m_messageFrame->setInterval(16);
    connect(m_messageFrame, &QTimer::timeout, this, [this] {
        m_frame->setUpdatesEnabled(true);
        if (m_latestMessage != m_shownMessage)
            showMessage(m_latestMessage);
    });
    m_socket->setObjectName(QStringLiteral("Winsock1"));
    m_cmdCapture->setObjectName(QStringLiteral("cmdCapture"));
    m_frame->setObjectName(QStringLiteral("Frame1"));

    // Settings on the left, the datagram and the counters on the right.
    auto* settings = new QFormLayout;
    m_txtRemoteHostIP = addField(settings, "Label3", QStringLiteral("Remote Host IP"), "txtRemoteHostIP",
        QLatin1String(DefaultRemoteHost), m_frame);
    m_txtRemoteHostPort = addField(settings, "Label4", QStringLiteral("Remote Host Port"),
        "txtRemoteHostPort", QLatin1String(DefaultRemotePort), m_frame);
    m_txtLocalHostPort = addField(settings, "Label5", QStringLiteral("Local Host Port"), "txtLocalHostPort",
        QLatin1String(DefaultLocalPort), m_frame);
    m_chkState = new QCheckBox(CaptureOff, m_frame);
    m_chkState->setObjectName(QStringLiteral("chkState"));
    m_cmdStopCapture = new QPushButton(QStringLiteral("Stop Capture"), m_frame);
    m_cmdStopCapture->setObjectName(QStringLiteral("cmdStopCapture"));
    settings->addRow(m_chkState);
    settings->addRow(m_cmdStopCapture);

    auto* counters = new QFormLayout;
    m_txtNoMsgs = addCounter(counters, "Label8", QStringLiteral("Messages Logged"), "txtNoMsgs", m_frame);
    m_txtMissed = addCounter(counters, "Label7", QStringLiteral("Messages Ignored"), "txtMissed", m_frame);
    m_txtDBsize
        = addCounter(counters, "Label11", QStringLiteral("Syslog Database Size"), "txtDBsize", m_frame);

    auto* messageLabel = new QLabel(QStringLiteral("Current Syslog Message"), m_frame);
    messageLabel->setObjectName(QStringLiteral("Label6"));
    m_txtSyslogMsg = new QPlainTextEdit(m_frame);
    m_txtSyslogMsg->setObjectName(QStringLiteral("txtSyslogMsg"));
    m_txtSyslogMsg->setAccessibleName(messageLabel->text());
    m_txtSyslogMsg->setReadOnly(true);
    m_txtSyslogMsg->setMaximumBlockCount(20);
    QFont small = m_txtSyslogMsg->font();
    small.setFamily(QStringLiteral("Small Fonts"));
    m_txtSyslogMsg->setFont(small);
    messageLabel->setBuddy(m_txtSyslogMsg);

    auto* right = new QVBoxLayout;
    right->addWidget(messageLabel);
    right->addWidget(m_txtSyslogMsg, 1);
    right->addLayout(counters);

    auto* frameLayout = new QGridLayout(m_frame);
    frameLayout->addLayout(settings, 0, 0, Qt::AlignTop);
    frameLayout->addLayout(right, 0, 1);
    frameLayout->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_cmdCapture, 0, Qt::AlignLeft);
    layout->addWidget(m_frame);
    if (recentLogs) {
        recentLogs->setParent(this);
        layout->addWidget(recentLogs, 1);
    }

    // Tab order follows the layout.
    setTabOrder(m_cmdCapture, m_txtRemoteHostIP);
    setTabOrder(m_txtRemoteHostIP, m_txtRemoteHostPort);
    setTabOrder(m_txtRemoteHostPort, m_txtLocalHostPort);
    setTabOrder(m_txtLocalHostPort, m_chkState);
    setTabOrder(m_chkState, m_cmdStopCapture);
    setTabOrder(m_cmdStopCapture, m_txtSyslogMsg);

    connect(m_cmdCapture, &QPushButton::clicked, this, &CaptureTab::cmdCapture_Click);
    connect(m_cmdStopCapture, &QPushButton::clicked, this, &CaptureTab::cmdStopCapture_Click);
    connect(m_socket, &platform::UdpSocket::dataArrival, this, &CaptureTab::Winsock1_DataArrival);
    connect(m_socket, &platform::UdpSocket::overflowed, this, [this](quint64 dropped) {
        trap(m_logger, [&] {
            throw platform::failure::ReceiveQueueOverflow.make(
                QStringLiteral("%1 datagrams arrived faster than they could be stored and were lost")
                    .arg(dropped));
        });
    });
}

CaptureTab::~CaptureTab() = default;

void CaptureTab::cmdCapture_Click()
{
    trap(m_logger, [&] {
        showMessage(Preparing);
        m_socket->setRemoteHost(m_txtRemoteHostIP->text());
        m_socket->setRemotePort(ToWholeNumber(m_txtRemoteHostPort->text()));
        const int localPort = ToWholeNumber(m_txtLocalHostPort->text());
        // Setting the port of a bound socket is refused, as it always was.
        if (m_socket->state() != 0)
            throw platform::failure::SocketAlreadyBound.make();
        m_socket->setLocalPort(localPort);
        m_socket->bind(localPort);
        showSocketState(CaptureOn);
    });
}

void CaptureTab::cmdStopCapture_Click()
{
    trap(m_logger, [&] {
        m_socket->close();
        showSocketState(CaptureOff);
    });
}

void CaptureTab::showMessage(const QString& text)
{
    m_latestMessage = text;
    if (m_messageFrame->isActive())
        return; // the frame's end shows the newest
    m_shownMessage = text;
    m_txtSyslogMsg->setPlainText(text);
    // The counters keep their exact texts; only their painting waits for
    // the frame's end.
    m_frame->setUpdatesEnabled(false);
    m_messageFrame->start();
}

void CaptureTab::showSocketState(const QString& caption)
{
    m_chkState->setChecked(m_socket->state() == 1);
    m_chkState->setText(caption);
}

void CaptureTab::Winsock1_DataArrival()
{
    trap(m_logger, [&] {
        const QString message = m_socket->readDatagram();
        showMessage(message);
        LogDatabase& database = logDatabase();
        const SyslogRecord record
            = ParseSyslogMessage(message, m_keys, m_clock, [&](const QString&, const QString& text) {
                  countMissingKey();
                  database.AppendMissedRow(text);
              });
        const long long count = database.AppendSyslogRecord(record);
        m_txtNoMsgs->setText(QString::number(count));
        database.CheckDatabaseSize([&](const QString& size) { m_txtDBsize->setText(size); }, m_dialogs,
            [&] { cmdStopCapture_Click(); });
    });
}

// The count lives in its box: its numeric value, rounded, plus one. A
// 64-bit count, so no number of misses ever stops datagrams being stored.
void CaptureTab::countMissingKey()
{
    const QString text = m_txtMissed->text();
    bool whole = false;
    qint64 count = text.trimmed().toLongLong(&whole);
    if (!whole)
        count = static_cast<qint64>(RoundHalfEven(LeadingNumber(text)));
    m_txtMissed->setText(QString::number(count + 1));
}

LogDatabase& CaptureTab::logDatabase() const
{
    LogDatabase* database = m_logDatabase ? m_logDatabase() : nullptr;
    if (!database)
        throw platform::failure::ObjectNotSet.make();
    return *database;
}

} // namespace corvane
