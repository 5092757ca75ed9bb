#include "reports/report_tab.h"

#include "base/archive_files.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "reports/report_catalogue.h"
#include "reports/report_preview.h"
#include "reports/report_rows.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr qsizetype FilterLength = 50; // for typing; stored values may be longer

const QString HelpText = QStringLiteral("Use * for wildcard. For Date Fields the format is dd/mm/yyyy "
                                        "hh:mm:ss and is 24 hour time. Hour(hh) is 24 hour "
                                        "time and must be between  0-23. Time cant be left blank.");

} // namespace

ReportTab::ReportTab(
    SharedState& state, const ErrorLogger& logger, platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_logger(logger)
    , m_dialogs(dialogs)
    , m_dbcboReport(new QComboBox(this))
    , m_txtSQL(new QPlainTextEdit(this))
    , m_chkThisFileOnly(new QCheckBox(QStringLiteral("This file only"), this))
    , m_lblFilesRead(new QLabel(this))
    , m_cmdRunReport(new QPushButton(QStringLiteral("VIEW REPORT"), this))
{
    auto* reports = new QGroupBox(QStringLiteral("Reports"), this);
    auto* selectLabel = new QLabel(QStringLiteral("Select Report"), reports);
    m_dbcboReport->setObjectName(QStringLiteral("dbcboReport"));
    m_dbcboReport->setAccessibleName(selectLabel->text());
    m_dbcboReport->setMinimumContentsLength(40);
    selectLabel->setBuddy(m_dbcboReport);
    auto* reportsLayout = new QHBoxLayout(reports);
    reportsLayout->addWidget(selectLabel);
    reportsLayout->addWidget(m_dbcboReport, 1);

    auto* filters = new QGroupBox(QStringLiteral("Report Filters"), this);
    auto* filtersLayout = new QGridLayout(filters);
    for (int k = 0; k < FilterCount; ++k) {
        QLabel* caption = new QLabel(filters);
        caption->setObjectName(QStringLiteral("L%1").arg(k + 1));
        QLineEdit* box = new QLineEdit(filters);
        box->setObjectName(QStringLiteral("T%1").arg(k + 1));
        caption->setBuddy(box);
        m_captions[static_cast<size_t>(k)] = caption;
        m_boxes[static_cast<size_t>(k)] = box;
        // Two columns of filters: 1 to 5 on the left, 6 to 9 on the right.
        const int row = k % 5;
        const int column = k < 5 ? 0 : 2;
        filtersLayout->addWidget(caption, row, column);
        filtersLayout->addWidget(box, row, column + 1);
    }
    auto* help = new QLabel(HelpText, filters);
    help->setObjectName(QStringLiteral("lblHelp"));
    help->setWordWrap(true);
    filtersLayout->addWidget(help, 5, 0, 1, 4);

    auto* sqlFrame = new QGroupBox(QStringLiteral("Report SQL"), this);
    m_txtSQL->setObjectName(QStringLiteral("txtSQL"));
    m_txtSQL->setAccessibleName(sqlFrame->title());
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    m_txtSQL->setFont(courier);
    auto* sqlLayout = new QVBoxLayout(sqlFrame);
    sqlLayout->addWidget(m_txtSQL);

    m_cmdRunReport->setObjectName(QStringLiteral("cmdRunReport"));
    m_cmdRunReport->setToolTip(QStringLiteral("Preview Report"));

    // Reports read the archives beside the database too, unless told not to.
    m_chkThisFileOnly->setObjectName(QStringLiteral("chkThisFileOnly"));
    m_chkThisFileOnly->setToolTip(
        QStringLiteral("Leave out the archives of earlier rows beside the database"));
    m_lblFilesRead->setObjectName(QStringLiteral("lblFilesRead"));
    auto* runLayout = new QHBoxLayout;
    runLayout->addWidget(m_chkThisFileOnly);
    runLayout->addWidget(m_lblFilesRead, 1);
    runLayout->addWidget(m_cmdRunReport);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reports);
    layout->addWidget(filters);
    layout->addWidget(sqlFrame, 1);
    layout->addLayout(runLayout);

    // Tab follows the layout: the selector, the filters, the query, the button.
    m_txtSQL->setTabChangesFocus(true);
    QWidget* previous = m_dbcboReport;
    for (QLineEdit* box : m_boxes) {
        setTabOrder(previous, box);
        previous = box;
    }
    setTabOrder(previous, m_txtSQL);
    setTabOrder(m_txtSQL, m_chkThisFileOnly);
    setTabOrder(m_chkThisFileOnly, m_cmdRunReport);

    for (std::size_t k = 0; k < m_boxes.size(); ++k) {
        // textEdited comes before textChanged, so it still sees the text before.
        // A refused edit is followed by a textChanged that no longer holds.
        connect(m_boxes[k], &QLineEdit::textChanged, this, [this, k](const QString& text) {
            if (text == m_boxes[k]->text())
                m_boxTexts[k] = text;
        });
        connect(
            m_boxes[k], &QLineEdit::textEdited, this, [this, k](const QString& text) { boxEdited(k, text); });
    }
    // The selector's click: choosing an item, and opening or closing its list.
    connect(m_dbcboReport, &QComboBox::activated, this, &ReportTab::dbcboReport_Click);
    m_dbcboReport->view()->window()->installEventFilter(this);
    connect(m_cmdRunReport, &QPushButton::clicked, this, &ReportTab::cmdRunReport_Click);
    showCurrentReport();
}

ReportTab::~ReportTab() = default;

bool ReportTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_dbcboReport->view()->window()
        && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        dbcboReport_Click();
    return QWidget::eventFilter(watched, event);
}

// Typing stops at the limit; a longer stored value is shown and kept whole.
void ReportTab::boxEdited(std::size_t box, const QString& text)
{
    const QString before = m_boxTexts[box];
    if (text.size() <= FilterLength || text.size() <= before.size())
        return;
    QLineEdit* edit = m_boxes[box];
    const int cursor = edit->cursorPosition() - static_cast<int>(text.size() - before.size());
    edit->setText(before);
    edit->setCursorPosition(std::max(0, cursor));
}

void ReportTab::load()
{
    m_catalogue = std::make_unique<ReportCatalogue>(m_state.engine(), m_state.databasePath);
    m_dbcboReport->clear();
    m_dbcboReport->addItems(m_catalogue->names());
    // Nothing is picked until the user picks.
    m_dbcboReport->setCurrentIndex(-1);
    showCurrentReport();
}

ReportCatalogue& ReportTab::catalogue()
{
    // Not bound when the load stopped early: bind now, so the failure that
    // stopped it is reported again with its own number.
    if (!m_catalogue)
        m_catalogue = std::make_unique<ReportCatalogue>(m_state.engine(), m_state.databasePath);
    return *m_catalogue;
}

void ReportTab::dbcboReport_Click()
{
    m_txtSQL->setPlainText(QString());
    const QString name = m_dbcboReport->currentText();
    if (name.isEmpty())
        return;
    trap(m_logger, [&] {
        ReportCatalogue& reports = catalogue();
        // What was typed belongs to the report that was current.
        reports.saveFilters(boxTexts());
        reports.pick(name);
        showCurrentReport();
        for (std::size_t k = 0; k < m_boxes.size(); ++k)
            m_boxes[k]->setEnabled(ReportCatalogue::isAvailable(m_captions[k]->text()));
    });
}

void ReportTab::cmdRunReport_Click()
{
    if (m_dbcboReport->currentText().isEmpty()) {
        m_dialogs.showMessage(QStringLiteral("Please select a Report"), ApplicationTitle);
        return;
    }
    const bool built = trap(m_logger, [&] { m_txtSQL->setPlainText(catalogue().buildQuery(boxTexts())); });
    if (!built)
        return;
    const QString& database = m_state.databasePath;
    ReportPreview preview(m_state, m_logger, m_dialogs, m_txtSQL->toPlainText(),
        m_chkThisFileOnly->isChecked() ? thisFileOnly(database) : withArchives(database), window());
    FilterTexts captions;
    for (std::size_t k = 0; k < m_captions.size(); ++k)
        captions[k] = m_captions[k]->text();
    preview.setDateNote(unreadableDates(boxTexts(), captions));
    preview.exec();
    m_lblFilesRead->setText(filesReadNote(preview.filesRead()));
    m_lblFilesRead->setToolTip(preview.filesRead().join(QLatin1Char('\n')));
}

// The labels and boxes show the current report's captions and values.
void ReportTab::showCurrentReport()
{
    for (std::size_t k = 0; k < m_boxes.size(); ++k) {
        const int filter = static_cast<int>(k) + 1;
        const bool shown = m_catalogue && m_catalogue->hasCurrentReport();
        m_captions[k]->setText(shown ? m_catalogue->caption(filter) : QString());
        m_boxes[k]->setText(shown ? m_catalogue->filterValue(filter) : QString());
        const QString caption = m_captions[k]->text();
        m_boxes[k]->setAccessibleName(caption.isEmpty() ? QStringLiteral("Filter %1").arg(filter) : caption);
    }
}

FilterTexts ReportTab::boxTexts() const
{
    FilterTexts texts;
    for (std::size_t k = 0; k < m_boxes.size(); ++k)
        texts[k] = m_boxes[k]->text();
    return texts;
}

} // namespace corvane
