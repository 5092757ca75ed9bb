#include "platform/grid/grid_widget.h"

#include "platform/grid/grid_model.h"
#include "platform/grid/twips.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>

namespace corvane::platform {

GridWidget::GridWidget(QWidget* parent)
    : QTableView(parent)
    , m_model(new GridModel(m_grid, this))
{
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setWordWrap(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &GridWidget::headingClicked);
    connect(this, &QTableView::clicked, this, &GridWidget::cellClicked);
}

void GridWidget::refresh()
{
    m_model->reload();
    showFormat();
    showSelection();
}

void GridWidget::showFormat()
{
    QFont font = this->font();
    font.setPointSizeF(m_grid.fontSize());
    setFont(font);
    horizontalHeader()->setFont(font);
    verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 4);
    for (int c = 0; c < m_grid.cols(); ++c)
        setColumnWidth(c, twipsToPixels(m_grid.colWidth(c)));
}

void GridWidget::headingClicked(int section)
{
    m_grid.selectColumnForHeadingClick(section);
    showSelection();
    emit gridClicked();
}

void GridWidget::cellClicked(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    m_grid.setCurrentCell(index.row() + 1, index.column());
    emit gridClicked();
}

void GridWidget::keyPressEvent(QKeyEvent* event)
{
    QTableView::keyPressEvent(event);
    const QModelIndex current = currentIndex();
    if (current.isValid())
        m_grid.setCurrentCell(current.row() + 1, current.column());
}

// Mirrors the grid's selection in the view; row 0 is the header.
void GridWidget::showSelection()
{
    if (m_grid.rows() < 2 || m_grid.cols() == 0) {
        clearSelection();
        return;
    }
    const int top = std::max(1, m_grid.selectionTop()) - 1;
    const int bottom = std::max(1, m_grid.selectionBottom()) - 1;
    const QItemSelection range(
        m_model->index(top, m_grid.selectionLeft()), m_model->index(bottom, m_grid.selectionRight()));
    selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
    selectionModel()->setCurrentIndex(
        m_model->index(std::max(1, m_grid.row()) - 1, m_grid.col()), QItemSelectionModel::NoUpdate);
}

} // namespace corvane::platform
