#include "platform/grid/grid_widget.h"

#include "platform/grid/grid_model.h"
#include "platform/grid/twips.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMouseEvent>

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
    // A column the user drags keeps its width in the grid, so the next
    // layout shares the width out as the user left it.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (!m_showingWidths && column < m_grid.cols())
            m_grid.setColWidth(column, static_cast<int>(pixelsToTwips(size)));
    });
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
    m_showingWidths = true;
    for (int c = 0; c < m_grid.cols(); ++c)
        setColumnWidth(c, twipsToPixels(m_grid.colWidth(c)));
    m_showingWidths = false;
}

void GridWidget::headingClicked(int section)
{
    m_grid.selectColumnForHeadingClick(section);
    showSelection();
    emit gridClicked();
}

void GridWidget::mousePressEvent(QMouseEvent* event)
{
    QTableView::mousePressEvent(event);
    m_pressed = event->button() == Qt::LeftButton ? indexAt(event->position().toPoint()) : QModelIndex();
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !m_pressed.isValid())
        return;
    const QModelIndex pressed = m_pressed;
    m_pressed = QModelIndex();
    // Released outside the cells: the view's current cell is where the drag ended.
    QModelIndex released = indexAt(event->position().toPoint());
    if (!released.isValid())
        released = currentIndex();
    takeSelection(pressed, released.isValid() ? released : pressed);
    emit gridClicked();
}

void GridWidget::keyPressEvent(QKeyEvent* event)
{
    // With Shift the selection grows from the grid's current cell.
    const QModelIndex anchor = m_model->index(std::max(1, m_grid.row()) - 1, m_grid.col());
    QTableView::keyPressEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return;
    takeSelection((event->modifiers() & Qt::ShiftModifier) && anchor.isValid() ? anchor : current, current);
}

void GridWidget::takeSelection(const QModelIndex& anchor, const QModelIndex& end)
{
    m_grid.setCurrentCell(anchor.row() + 1, anchor.column());
    m_grid.setSelectionEnd(end.row() + 1, end.column());
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
