#include "browse/recent_log_view.h"

#include "base/error_logger.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "browse/recent_log.h"
#include "platform/grid/grid_widget.h"
#include "platform/grid/heading_click.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace corvane {

namespace {

const QString RefreshCaption = QStringLiteral("Refresh Logs");
const QString RefreshingCaption = QStringLiteral("Refreshing...");

} // namespace

RecentLogView::RecentLogView(SharedState& state, const ErrorLogger& logger, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_logger(logger)
    , m_label(new QLabel(QStringLiteral("Logs"), this))
    , m_refresh(new QPushButton(RefreshCaption, this))
    , m_grid(new platform::GridWidget(this))
{
    m_label->setObjectName(QStringLiteral("Label13"));
    m_refresh->setObjectName(QStringLiteral("cmdRefreshDB"));
    m_grid->setObjectName(QStringLiteral("msgSyslogDB"));
    m_grid->setToolTip(QStringLiteral("Click column heading to sort"));
    m_grid->setAccessibleName(m_label->text());
    m_label->setBuddy(m_grid);
    QFont small = m_grid->font();
    small.setFamily(QStringLiteral("Small Fonts"));
    small.setPointSizeF(7.5);
    m_grid->setFont(small);
    m_grid->grid().setFontSize(7.5);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label, 0, 0);
    layout->addWidget(m_refresh, 0, 1, Qt::AlignRight);
    layout->addWidget(m_grid, 1, 0, 1, 2);
    layout->setRowStretch(1, 1);

    connect(m_refresh, &QPushButton::clicked, this, &RecentLogView::cmdRefreshDB_Click);
    connect(m_grid, &platform::GridWidget::gridClicked, this, &RecentLogView::msgSyslogDB_Click);
}

void RecentLogView::load()
{
    loadRecentLog(m_state.engine(), m_state.databasePath, m_grid->grid());
    m_grid->refresh();
    // Each column as wide as its heading and its cells; a drag wins until
    // the next refresh.
    m_grid->resizeColumnsToContents();
}

void RecentLogView::cmdRefreshDB_Click()
{
    m_refresh->setText(RefreshingCaption);
    m_refresh->repaint();
    // The caption comes back however the refresh ends.
    trap(m_logger, [&] { load(); });
    m_refresh->setText(RefreshCaption);
}

void RecentLogView::msgSyslogDB_Click()
{
    trap(m_logger, [&] {
        platform::headingClickSort(m_grid->grid(), m_state.GridSortOrder);
        m_grid->refresh();
    });
}

} // namespace corvane
