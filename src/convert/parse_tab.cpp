#include "convert/parse_tab.h"

#include "base/background_task.h"
#include "base/error_logger.h"
#include "base/trap.h"
#include "platform/dialogs/dialogs.h"
#include "platform/failure/failure_codes.h"
#include "platform/grid/form_field.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

const QString ProgressCaption = QStringLiteral("Progress");
const QString LinesProcessedCaption = QStringLiteral("Progress - Lines Processed: ");
const QString ParseComplete = QStringLiteral("Parse Complete");

// An empty file has no count to show: the question then holds no number.
QString parseQuestion(qint64 totalLines)
{
    return QStringLiteral("Do you want to parse ")
        + (totalLines > 0 ? QString::number(totalLines) : QString()) + QStringLiteral(" Lines");
}

} // namespace

ParseTab::ParseTab(const ErrorLogger& logger, platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_logger(logger)
    , m_dialogs(dialogs)
{
    auto* files = new QFormLayout;
    m_txtFilename = platform::addFormField(files, "Label1", QStringLiteral("Input filename"), "txtFilename",
        QLatin1String(DefaultInputFile), this);
    m_txtFilenameOutput = platform::addFormField(files, "Label2", QStringLiteral("Output filename"),
        "txtFilenameOutput", QLatin1String(DefaultOutputFile), this);

    m_cmdGo = new QPushButton(QStringLiteral("GO"), this);
    m_cmdGo->setObjectName(QStringLiteral("cmdGo"));

    m_lblProgressBar = new QLabel(ProgressCaption, this);
    m_lblProgressBar->setObjectName(QStringLiteral("lblProgressBar"));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setAccessibleName(QStringLiteral("Parse progress"));
    m_lblProgressBar->setBuddy(m_progressBar);

    m_command1 = new QPushButton(QStringLiteral("Command1"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setToolTip(QStringLiteral("Stop the conversion here"));
    m_cmdCancel->hide();
    m_task = new BackgroundTask(this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdGo);
    buttons->addWidget(m_cmdCancel);
    buttons->addStretch(1);
    buttons->addWidget(m_command1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(m_lblProgressBar);
    layout->addWidget(m_progressBar);
    layout->addLayout(buttons);
    layout->addStretch(1);

    // Tab order follows the layout.
    setTabOrder(m_txtFilename, m_txtFilenameOutput);
    setTabOrder(m_txtFilenameOutput, m_cmdGo);
    setTabOrder(m_cmdGo, m_command1);

    connect(m_cmdGo, &QPushButton::clicked, this, &ParseTab::cmdGo_Click);
    connect(m_cmdCancel, &QPushButton::clicked, m_task, &BackgroundTask::cancel);
    connect(m_task, &BackgroundTask::progressed, this, [this](long long done) {
        if (m_work == Work::Converting)
            showProgress(done, m_totalLines);
    });
    // The count of the last line done stands, whatever ends the conversion.
    connect(m_task, &BackgroundTask::finished, this, [this] {
        if (m_work == Work::Counting) {
            counted();
            return;
        }
        m_work = Work::None;
        showBusy(false);
        if (m_task->done() > 0)
            showProgress(m_task->done(), m_totalLines);
        m_dialogs.showMessage(ParseComplete, ApplicationTitle);
    });
    connect(m_task, &BackgroundTask::failed, this, [this](int number, const QString& description) {
        const bool converting = m_work == Work::Converting;
        m_work = Work::None;
        showBusy(false);
        if (converting && m_task->done() > 0)
            showProgress(m_task->done(), m_totalLines);
        trap(m_logger, [&] { throw platform::Failure(number, description); });
    });
    connect(m_task, &BackgroundTask::cancelled, this, [this] {
        m_work = Work::None;
        showBusy(false);
        if (m_task->done() > 0)
            showProgress(m_task->done(), m_totalLines);
    });
    connect(m_command1, &QPushButton::clicked, this, &ParseTab::Command1_Click);
}

ParseTab::~ParseTab()
{
    delete m_task; // the work ends before the converter it uses goes
}

bool ParseTab::isBusy() const
{
    return m_work != Work::None;
}

void ParseTab::showBusy(bool busy)
{
    m_cmdGo->setEnabled(!busy);
    m_cmdCancel->setVisible(busy && m_work == Work::Converting);
}

void ParseTab::cmdGo_Click()
{
    if (isBusy())
        return;
    trap(m_logger, [&] {
        m_converter.emplace(m_txtFilename->text(), m_txtFilenameOutput->text());
        m_work = Work::Counting;
        showBusy(true);
        m_task->start([this](BackgroundTask& task) { task.setDone(m_converter->countLines()); });
    });
}

void ParseTab::counted()
{
    m_totalLines = m_task->done();
    if (!m_dialogs.askYesNo(parseQuestion(m_totalLines), ApplicationTitle)) {
        m_work = Work::None;
        showBusy(false);
        return;
    }
    m_work = Work::Converting;
    showBusy(true);
    m_task->start([this, total = m_totalLines](BackgroundTask& task) {
        m_converter->convert([&](qint64 linesRead) {
            // The input grew after it was counted.
            if (total == 0)
                throw platform::failure::DivisionByZero.make();
            task.setDone(linesRead);
            if (task.isCancelled())
                throw platform::failure::InvalidProcedureCall.make(QStringLiteral("cancelled"));
        });
    });
}

void ParseTab::Command1_Click()
{
    emit chartWindowRequested();
}

void ParseTab::showProgress(qint64 linesRead, qint64 totalLines)
{
    m_lblProgressBar->setText(LinesProcessedCaption + QString::number(linesRead));
    const double percent = static_cast<double>(linesRead) / static_cast<double>(totalLines) * 100.0;
    // Truncated, so the bar reaches 100 only with the last line; a file that
    // grew after it was counted leaves it full.
    m_progressBar->setValue(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
}

} // namespace corvane
