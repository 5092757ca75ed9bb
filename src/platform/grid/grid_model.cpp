#include "platform/grid/grid_model.h"

#include "platform/grid/grid.h"

namespace corvane::platform {

namespace {

Qt::Alignment alignmentFor(int code)
{
    // The old grid's codes: 0..2 left, 3..5 centre, 6..8 right; top, middle, bottom in each.
    const Qt::Alignment horizontal
        = code <= 2 ? Qt::AlignLeft : (code <= 5 ? Qt::AlignHCenter : Qt::AlignRight);
    const int vertical = code % 3;
    return horizontal | (vertical == 0 ? Qt::AlignTop : (vertical == 1 ? Qt::AlignVCenter : Qt::AlignBottom));
}

} // namespace

GridModel::GridModel(const Grid& grid, QObject* parent)
    : QAbstractTableModel(parent)
    , m_grid(grid)
{
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.rows() - 1;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_grid.cols();
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return m_grid.text(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(alignmentFor(m_grid.colAlignment(index.column())));
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_grid.cols() ? QVariant(m_grid.text(0, section)) : QVariant();
    return section + 1;
}

void GridModel::reload()
{
    beginResetModel();
    endResetModel();
}

} // namespace corvane::platform
