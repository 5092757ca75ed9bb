#include "reports/report_preview.h"

#include "base/background_task.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure_codes.h"
#include "platform/grid/design_geometry.h"
#include "platform/grid/grid_widget.h"
#include "platform/grid/heading_click.h"
#include "reports/report_export.h"
#include "reports/report_rows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace corvane {

namespace {

using platform::twipsToPixels;

// The window's design, in twips.
constexpr int ClientWidth = 9300;
constexpr int ClientHeight = 5880;
constexpr int MinimumOuterHeight = 1600;
constexpr int AreaLeft = 45;
constexpr int AreaTop = 675;
constexpr float DesignAreaWidth = 6120;
constexpr float DesignAreaHeight = 4425;
constexpr GridPlacement DesignGrid { 90, 120, 5295, 3615 };
constexpr int AreaHeightMargin = 1100; // outer height less the preview area's height
constexpr int AreaWidthMargin = 200; // outer width less the preview area's width
// Work shorter than this shows no progress.
constexpr qint64 QuietMs = 500;

} // namespace

ReportPreview::ReportPreview(SharedState& state, const ErrorLogger& logger, platform::Dialogs& dialogs,
    const QString& query, platform::db::FileSet files, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , m_logger(logger)
    , m_dialogs(dialogs)
    , m_frame1(new QGroupBox(this))
    , m_zoomLabel(new QLabel(QStringLiteral("Zoom View"), m_frame1))
    , m_cboZoomView(new QComboBox(m_frame1))
    , m_cmdExport(new QPushButton(QStringLiteral("EXPORT"), this))
    , m_cmdClose(new QPushButton(QStringLiteral("CLOSE"), this))
    , m_lblPrint(new QLabel(this))
    , m_prgPrint(new QProgressBar(this))
    , m_picView(new QFrame(this))
    , m_cmdCancel(new QPushButton(QStringLiteral("Cancel"), this))
    , m_msgReport(new platform::GridWidget(m_picView))
    , m_task(new BackgroundTask(this))
    , m_areaWidth(DesignAreaWidth)
    , m_areaHeight(DesignAreaHeight)
    , m_placement(DesignGrid)
{
    setObjectName(QStringLiteral("frmReportPreview"));
    setWindowTitle(QStringLiteral("Report Preview"));
    setModal(true);
    setFont(platform::designFont(QStringLiteral("Tahoma")));
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_zoomLabel->setObjectName(QStringLiteral("L1"));
    m_cboZoomView->setObjectName(QStringLiteral("cboZoomView"));
    m_cboZoomView->setAccessibleName(m_zoomLabel->text());
    m_zoomLabel->setBuddy(m_cboZoomView);
    m_cmdExport->setObjectName(QStringLiteral("cmdExport"));
    m_cmdExport->setFont(platform::designFont(QStringLiteral("Tahoma"), true));
    m_cmdExport->setToolTip(QStringLiteral("Export Report to a File"));
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    m_cmdClose->setFont(platform::designFont(QStringLiteral("Tahoma"), true));
    m_cmdClose->setToolTip(QStringLiteral("Close This Window"));
    // No default button: Enter in the grid or the zoom box presses nothing;
    // a button with the focus still takes Enter (see eventFilter).
    for (QPushButton* button : { m_cmdExport, m_cmdClose }) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->installEventFilter(this);
    }
    m_lblPrint->setObjectName(QStringLiteral("lblPrint"));
    m_prgPrint->setObjectName(QStringLiteral("prgPrint"));
    m_prgPrint->setAccessibleName(QStringLiteral("Export progress"));
    m_lblPrint->hide();
    m_prgPrint->hide();
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setToolTip(QStringLiteral("Stop reading or exporting"));
    m_cmdCancel->setAutoDefault(false);
    m_cmdCancel->hide();
    m_picView->setObjectName(QStringLiteral("picView"));
    m_picView->setFrameShape(QFrame::StyledPanel);
    m_msgReport->setObjectName(QStringLiteral("msgReport"));
    m_msgReport->setAccessibleName(QStringLiteral("Report"));
    m_msgReport->setFont(platform::designFont(QStringLiteral("Tahoma")));
    // One fixed heading row and no fixed column: the columns share the whole width.
    m_msgReport->verticalHeader()->hide();

    platform::setGeometryInTwips(m_frame1, 45, 0, 2445, 585);
    platform::setGeometryInTwips(m_zoomLabel, 135, 225, 1140, 285);
    platform::setGeometryInTwips(m_cboZoomView, 1080, 180, 1230, 315);
    platform::setGeometryInTwips(m_cmdExport, 2640, 120, 1320, 500);
    platform::setGeometryInTwips(m_cmdClose, 4080, 120, 1320, 500);
    // Wide enough for "1500000 rows, 12.3 s" and "1500000 gathered, 12.3 s" beside Cancel.
    platform::setGeometryInTwips(m_lblPrint, 5520, 90, 2400, 240);
    platform::setGeometryInTwips(m_prgPrint, 5520, 360, 1245, 210);
    platform::setGeometryInTwips(m_cmdCancel, 8000, 120, 1000, 500);
    showLayout();
    resize(twipsToPixels(ClientWidth), twipsToPixels(ClientHeight));
    setTabOrder(m_cboZoomView, m_cmdExport);
    setTabOrder(m_cmdExport, m_cmdClose);
    setTabOrder(m_cmdClose, m_msgReport);

    m_cboZoomView->installEventFilter(this);
    connect(m_cboZoomView, &QComboBox::activated, this, &ReportPreview::cboZoomView_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &ReportPreview::cmdClose_Click);
    connect(m_cmdExport, &QPushButton::clicked, this, &ReportPreview::cmdExport_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ReportPreview::cmdCancel_Click);
    connect(m_task, &BackgroundTask::progressed, this, &ReportPreview::showProgress);
    connect(m_task, &BackgroundTask::finished, this, [this] {
        switch (std::exchange(m_work, Work::None)) {
        case Work::Reading:
            rowsRead();
            break;
        case Work::Exporting:
            exportWritten();
            break;
        case Work::Sorting:
            showBusy(false);
            hideProgress();
            m_msgReport->grid().applySortOrder(*m_sorted);
            m_sorted.reset();
            m_msgReport->refresh();
            break;
        case Work::None:
            break;
        }
    });
    connect(m_task, &BackgroundTask::failed, this, [this](int number, const QString& description) {
        m_work = Work::None;
        showBusy(false);
        QString text = description;
        if (number == platform::failure::SyntaxErrorInDate.number && !m_dateNote.isEmpty()
            && text.startsWith(QLatin1String(platform::failure::SyntaxErrorInDate.description)))
            text += QStringLiteral(" - check ") + m_dateNote;
        trap(m_logger, [&] { throw platform::Failure(number, text); });
    });
    connect(m_task, &BackgroundTask::cancelled, this, [this] {
        const bool reading = std::exchange(m_work, Work::None) == Work::Reading;
        showBusy(false);
        hideProgress();
        if (reading)
            close();
    });
    connect(m_msgReport, &platform::GridWidget::gridClicked, this, &ReportPreview::msgReport_Click);

    Form_Load(query, std::move(files));
}

// What runs ends before the grid it reads or fills goes.
ReportPreview::~ReportPreview()
{
    delete m_task;
}

void ReportPreview::Form_Load(const QString& query, platform::db::FileSet files)
{
    for (const char* entry : ZoomEntries)
        m_cboZoomView->addItem(QString::fromLatin1(entry));
    // Choosing by program counts as a choice.
    m_cboZoomView->setCurrentIndex(DefaultZoomEntry);
    cboZoomView_Click();
    m_read = std::make_shared<ReportRows>();
    m_work = Work::Reading;
    showBusy(true);
    m_task->start([read = m_read, &engine = m_state.engine(), files = std::move(files), query](
                      BackgroundTask& task) { readReportRows(engine, files, query, task, *read); });
}

void ReportPreview::hideProgress()
{
    m_lblPrint->hide();
    m_prgPrint->hide();
}

void ReportPreview::rowsRead()
{
    showBusy(false);
    hideProgress();
    trap(m_logger, [&] {
        platform::Grid& grid = m_msgReport->grid();
        // The widths the first rows were laid out with stay.
        const bool laidOut = grid.cols() > 0 && grid.cols() == m_read->headings.size();
        std::vector<int> widths;
        for (int c = 0; laidOut && c < grid.cols(); ++c)
            widths.push_back(grid.colWidth(c));
        grid.setRows(m_read->headings, std::move(m_read->rows));
        m_filesRead = m_read->filesRead;
        m_read.reset();
        if (laidOut) {
            for (int c = 0; c < grid.cols(); ++c) {
                grid.setColWidth(c, widths[static_cast<std::size_t>(c)]);
                grid.setColAlignment(c, platform::Grid::LeftBottom);
            }
        } else {
            initialLayout(grid, m_placement, m_areaWidth, m_areaHeight, zoom());
        }
        m_msgReport->refresh();
        showLayout();
    });
}

bool ReportPreview::isBusy() const
{
    return m_task->isRunning();
}

// While work runs, only Cancel and CLOSE (which cancels) act; the grid
// must not change under an export.
void ReportPreview::showBusy(bool busy)
{
    m_msgReport->setEnabled(!busy);
    m_cboZoomView->setEnabled(!busy);
    m_cmdExport->setEnabled(!busy);
    if (!busy)
        m_cmdCancel->hide();
}

void ReportPreview::showProgress(long long done, qint64 elapsedMs)
{
    // A screenful at once, the rest when it is read; the grid takes no
    // clicks until then.
    if (m_work == Work::Reading && m_read
        && m_read->firstRowsReady.exchange(false, std::memory_order_acquire)) {
        m_msgReport->grid().setRows(m_read->headings, std::move(m_read->firstRows));
        m_msgReport->refresh();
        initialLayout(m_msgReport->grid(), m_placement, m_areaWidth, m_areaHeight, zoom());
        showLayout();
    }
    if (elapsedMs < QuietMs)
        return;
    m_cmdCancel->show();
    if (m_work == Work::Exporting) {
        m_prgPrint->setValue(static_cast<int>(std::min<long long>(done, m_prgPrint->maximum())));
        return;
    }
    const QString seconds = QString::number(elapsedMs / 1000.0, 'f', 1);
    // Rows spread over archives are gathered into one file before the first is read.
    const long long gathered = m_read ? m_read->gathered.load(std::memory_order_relaxed) : 0;
    if (m_work != Work::Reading)
        m_lblPrint->setText(QStringLiteral("Sorting, %1 s").arg(seconds));
    else if (done == 0 && gathered > 0)
        m_lblPrint->setText(QStringLiteral("%1 gathered, %2 s").arg(gathered).arg(seconds));
    else
        m_lblPrint->setText(QStringLiteral("%1 rows, %2 s").arg(done).arg(seconds));
    m_lblPrint->show();
    m_prgPrint->setRange(0, 0); // how many rows will come is not known
    m_prgPrint->show();
}

void ReportPreview::cmdCancel_Click()
{
    m_task->cancel();
}

void ReportPreview::closeEvent(QCloseEvent* event)
{
    // What runs stops; the task waits for it when the preview goes.
    m_task->cancel();
    QDialog::closeEvent(event);
}

void ReportPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Form_Resize();
}

void ReportPreview::Form_Resize()
{
    trap(m_logger, [&] {
        const int frameExtra = frameGeometry().height() - height();
        // Also asks the window system for the minimum, so a drag stops there.
        const int minimumHeight = std::max(0, twipsToPixels(MinimumOuterHeight) - frameExtra);
        if (this->minimumHeight() != minimumHeight)
            setMinimumHeight(minimumHeight);
        if (platform::pixelsToTwips(frameGeometry().height()) < MinimumOuterHeight) {
            resize(width(), twipsToPixels(MinimumOuterHeight) - frameExtra); // comes back here
            return;
        }
        if (isMinimized())
            return;
        m_areaHeight
            = static_cast<float>(platform::pixelsToTwips(frameGeometry().height()) - AreaHeightMargin);
        m_areaWidth = static_cast<float>(platform::pixelsToTwips(frameGeometry().width()) - AreaWidthMargin);
        showLayout();
        RefreshPrintPreview();
    });
}

void ReportPreview::RefreshPrintPreview()
{
    trap(m_logger, [&] {
        refreshLayout(m_msgReport->grid(), m_placement, m_areaWidth, m_areaHeight, zoom());
        showLayout();
    });
}

void ReportPreview::cboZoomView_Click()
{
    RefreshPrintPreview();
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_cmdExport || watched == m_cmdClose) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }
    // Keys that type a character go through cboZoomView_KeyPress; arrow keys
    // still choose, and Tab still moves the focus.
    if (watched == m_cboZoomView && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Escape still closes the preview, as it does from anywhere else.
        const bool focusKey
            = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Escape;
        if (!key->text().isEmpty() && !focusKey) {
            int keyAscii = key->text().at(0).unicode();
            cboZoomView_KeyPress(keyAscii);
            if (keyAscii == 0)
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ReportPreview::cboZoomView_KeyPress(int& keyAscii)
{
    // The zoom changes only by choosing an entry.
    if (keyAscii != 0)
        keyAscii = 0;
}

void ReportPreview::cmdClose_Click()
{
    close();
}

// The order is worked out on the task's thread: a million rows take seconds.
void ReportPreview::msgReport_Click()
{
    trap(m_logger, [&] {
        const auto direction = platform::headingClickDirection(m_msgReport->grid(), m_state.GridSortOrder);
        if (!direction)
            return;
        m_sorted = std::make_shared<platform::Grid::SortOrder>();
        m_work = Work::Sorting;
        showBusy(true);
        m_task->start([sorted = m_sorted, &grid = m_msgReport->grid(), direction = *direction](
                          BackgroundTask&) { *sorted = grid.sortOrder(direction); });
    });
}

void ReportPreview::cmdExport_Click()
{
    trap(m_logger, [&] {
        if (!m_dialogs.askYesNo(QString::fromLatin1(ExportConfirmationText),
                QString::fromLatin1(ExportConfirmationTitle), platform::MessageIcon::Question))
            return;
        const QString path = m_dialogs.saveFile(
            { QString::fromLatin1(ExportDialogTitle), QString::fromLatin1(ExportDialogFilter),
                QString::fromLatin1(ExportInitialName), QString::fromLatin1(ExportDefaultExtension) });
        if (path.isEmpty()) {
            m_dialogs.showMessage(QString::fromLatin1(ExportNoFileNameText), ApplicationTitle);
            return;
        }
        const int rows = m_msgReport->grid().rows();
        m_prgPrint->setRange(0, rows);
        m_prgPrint->setValue(0);
        m_prgPrint->show();
        m_lblPrint->setText(QString::fromLatin1(ExportingCaption));
        m_lblPrint->show();
        m_work = Work::Exporting;
        showBusy(true);
        m_task->start(
            [&grid = m_msgReport->grid(), path](BackgroundTask& task) { writeExport(grid, path, task); });
    });
}

void ReportPreview::exportWritten()
{
    showBusy(false);
    hideProgress();
    platform::Grid& grid = m_msgReport->grid();
    if (grid.cols() > 0) // the last cell written, as the old export left it
        grid.setCurrentCell(grid.rows() - 1, grid.cols() - 1);
    m_msgReport->refresh();
}

void ReportPreview::showLayout()
{
    platform::setGeometryInTwips(m_picView, AreaLeft, AreaTop, m_areaWidth, m_areaHeight);
    platform::setGeometryInTwips(
        m_msgReport, m_placement.left, m_placement.top, m_placement.width, m_placement.height);
    m_msgReport->showFormat();
}

double ReportPreview::zoom() const
{
    return zoomFactor(m_cboZoomView->currentText());
}

} // namespace corvane
