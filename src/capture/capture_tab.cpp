#include "capture/capture_tab.h"

#include "capture/capture_session.h"
#include "platform/grid/form_field.h"
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
#include <utility>

namespace corvane {

namespace {

// One frame at 60 Hz.
constexpr int FrameMs = 16;

} // namespace

CaptureTab::CaptureTab(
    CaptureSession* session, QWidget* recentLogs, QWidget* logsCaption, QWidget* refreshLogs, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_cmdCapture(new QPushButton(QStringLiteral("Start Capture"), this))
    , m_frame(new QGroupBox(this))
    , m_frameTimer(new QTimer(this))
{
    m_session->setParent(this);
    m_frameTimer->setSingleShot(true);
    m_frameTimer->setInterval(FrameMs);
    connect(m_frameTimer, &QTimer::timeout, this, [this] {
        if (m_pendingMessage || m_missedPending || m_pendingLogged || m_pendingSize)
            paintFrame();
    });
    m_cmdCapture->setObjectName(QStringLiteral("cmdCapture"));
    m_frame->setObjectName(QStringLiteral("Frame1"));

    // Settings on the left, the datagram and the counters on the right.
    auto* settings = new QFormLayout;
    m_txtRemoteHostIP = platform::addFormField(settings, "Label3", QStringLiteral("Remote Host IP"),
        "txtRemoteHostIP", QLatin1String(DefaultRemoteHost), m_frame);
    m_txtRemoteHostPort = platform::addFormField(settings, "Label4", QStringLiteral("Remote Host Port"),
        "txtRemoteHostPort", QLatin1String(DefaultRemotePort), m_frame);
    m_txtLocalHostPort = platform::addFormField(settings, "Label5", QStringLiteral("Local Host Port"),
        "txtLocalHostPort", QLatin1String(DefaultLocalPort), m_frame);
    m_chkState = new QCheckBox(QString(CaptureOffCaption), m_frame);
    m_chkState->setObjectName(QStringLiteral("chkState"));
    m_cmdStopCapture = new QPushButton(QStringLiteral("Stop Capture"), m_frame);
    m_cmdStopCapture->setObjectName(QStringLiteral("cmdStopCapture"));
    settings->addRow(m_chkState);
    settings->addRow(m_cmdStopCapture);

    // Ordinary boxes: the user may clear or type into them.
    auto* counters = new QFormLayout;
    m_txtNoMsgs = platform::addFormField(
        counters, "Label8", QStringLiteral("Messages Logged"), "txtNoMsgs", {}, m_frame);
    m_txtMissed = platform::addFormField(
        counters, "Label7", QStringLiteral("Messages Ignored"), "txtMissed", {}, m_frame);
    m_txtDBsize = platform::addFormField(
        counters, "Label11", QStringLiteral("Syslog Database Size"), "txtDBsize", {}, m_frame);

    auto* messageLabel = new QLabel(QStringLiteral("Current Syslog Message"), m_frame);
    messageLabel->setObjectName(QStringLiteral("Label6"));
    m_txtSyslogMsg = new QPlainTextEdit(m_frame);
    m_txtSyslogMsg->setObjectName(QStringLiteral("txtSyslogMsg"));
    m_txtSyslogMsg->setAccessibleName(messageLabel->text());
    m_txtSyslogMsg->setReadOnly(true);
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
    frameLayout->addLayout(right, 0, 1, 1, 2);
    frameLayout->setColumnStretch(1, 1);
    if (logsCaption && refreshLogs) {
        logsCaption->setParent(m_frame);
        refreshLogs->setParent(m_frame);
        frameLayout->addWidget(logsCaption, 1, 0, Qt::AlignBottom | Qt::AlignLeft);
        frameLayout->addWidget(refreshLogs, 1, 2, Qt::AlignRight);
    }

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
    setTabOrder(m_txtSyslogMsg, m_txtNoMsgs);
    setTabOrder(m_txtNoMsgs, m_txtMissed);
    setTabOrder(m_txtMissed, m_txtDBsize);
    if (refreshLogs) {
        setTabOrder(m_txtDBsize, refreshLogs);
        if (recentLogs)
            setTabOrder(refreshLogs, recentLogs);
    }

    connect(m_cmdCapture, &QPushButton::clicked, this, &CaptureTab::cmdCapture_Click);
    connect(m_cmdStopCapture, &QPushButton::clicked, this, &CaptureTab::cmdStopCapture_Click);
    // The count lives in its box: what the user types there is counted on.
    connect(m_txtMissed, &QLineEdit::textEdited, m_session, &CaptureSession::setMissedText);
    connect(m_session, &CaptureSession::stateShown, this, &CaptureTab::showState);
    connect(m_session, &CaptureSession::messageShown, this, [this](const QString& text) {
        m_pendingMessage = text;
        schedulePaint();
    });
    // A line about capture itself (still waiting for space, resumed) shows where the datagrams do.
    connect(m_session, &CaptureSession::noticeShown, this, [this](const QString& text) {
        m_pendingMessage = text;
        schedulePaint();
    });
    connect(m_session, &CaptureSession::missedCountShown, this, [this] {
        m_missedPending = true;
        schedulePaint();
    });
    connect(m_session, &CaptureSession::loggedCountShown, this, [this](const QString& count) {
        m_pendingLogged = count;
        schedulePaint();
    });
    connect(m_session, &CaptureSession::sizeShown, this, [this](const QString& size) {
        m_pendingSize = size;
        schedulePaint();
    });
}

CaptureTab::~CaptureTab() = default;

platform::UdpSocket& CaptureTab::socket()
{
    return m_session->socket();
}

void CaptureTab::cmdCapture_Click()
{
    m_session->startCapture(
        m_txtRemoteHostIP->text(), m_txtRemoteHostPort->text(), m_txtLocalHostPort->text());
}

void CaptureTab::cmdStopCapture_Click()
{
    m_session->stopCapture();
}

void CaptureTab::showState(int state, const QString& caption)
{
    m_chkState->setChecked(state == 1);
    m_chkState->setText(caption);
}

// The first change after a quiet frame shows at once; later ones wait for
// the frame's end.
void CaptureTab::schedulePaint()
{
    if (!m_frameTimer->isActive())
        paintFrame();
}

// Shows what is pending, then keeps the boxes as they are for a frame.
void CaptureTab::paintFrame()
{
    if (m_pendingMessage)
        m_txtSyslogMsg->setPlainText(*std::exchange(m_pendingMessage, std::nullopt));
    if (std::exchange(m_missedPending, false))
        m_txtMissed->setText(m_session->missedText());
    if (m_pendingLogged)
        m_txtNoMsgs->setText(*std::exchange(m_pendingLogged, std::nullopt));
    if (m_pendingSize)
        m_txtDBsize->setText(*std::exchange(m_pendingSize, std::nullopt));
    m_frameTimer->start();
}

} // namespace corvane
