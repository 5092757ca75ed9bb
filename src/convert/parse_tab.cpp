#include "convert/parse_tab.h"

#include "base/error_logger.h"
#include "base/trap.h"
#include "convert/capture_file_converter.h"
#include "platform/dialogs/dialogs.h"
#include "platform/dialogs/mouse_pointer.h"
#include "platform/failure/failure_codes.h"
#include "platform/grid/form_field.h"

#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>
#include <algorithm>

namespace corvane {

namespace {

const QString ProgressCaption = QStringLiteral("Progress");
const QString LinesProcessedCaption = QStringLiteral("Progress - Lines Processed: ");
const QString ParseComplete = QStringLiteral("Parse Complete");

// Painting the caption costs far more than converting a line, so while the
// lines run it is painted at most once a frame; the last count is always
// shown exactly.
constexpr qint64 FrameMilliseconds = 16;

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

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdGo);
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
    connect(m_command1, &QPushButton::clicked, this, &ParseTab::Command1_Click);
}

void ParseTab::cmdGo_Click()
{
    trap(m_logger, [&] {
        const CaptureFileConverter converter(m_txtFilename->text(), m_txtFilenameOutput->text());
        qint64 totalLines = 0;
        {
            const platform::BusyPointer busy;
            totalLines = converter.countLines();
        }
        if (!m_dialogs.askYesNo(parseQuestion(totalLines), ApplicationTitle))
            return;

        {
            const platform::BusyPointer busy;
            qint64 shownLines = 0;
            qint64 doneLines = 0;
            // The count of the last line done stands, also when a later line fails.
            const auto showLast = qScopeGuard([&] {
                if (doneLines != shownLines)
                    showProgress(doneLines, totalLines);
            });

            QElapsedTimer frame;
            frame.start();
            converter.convert([&](qint64 linesRead) {
                // The input grew after it was counted.
                if (totalLines == 0)
                    throw platform::failure::DivisionByZero.make();
                doneLines = linesRead;
                if (frame.elapsed() < FrameMilliseconds)
                    return;
                showProgress(linesRead, totalLines);
                shownLines = linesRead;
                frame.restart();
            });
        }
        m_dialogs.showMessage(ParseComplete, ApplicationTitle);
    });
}

void ParseTab::Command1_Click()
{
    emit chartWindowRequested();
}

// The handler never yields to the event loop, so the label and the bar are
// painted here and now.
void ParseTab::showProgress(qint64 linesRead, qint64 totalLines)
{
    m_lblProgressBar->setText(LinesProcessedCaption + QString::number(linesRead));
    const double percent = static_cast<double>(linesRead) / static_cast<double>(totalLines) * 100.0;
    // Truncated, so the bar reaches 100 only with the last line; a file that
    // grew after it was counted leaves it full.
    m_progressBar->setValue(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
    m_lblProgressBar->repaint();
    m_progressBar->repaint();
}

} // namespace corvane
