#pragma once

#include <QAbstractTableModel>

namespace corvane::platform {

class Grid;

// Shows a Grid to a QTableView: row 0 as the horizontal header, rows 1..
// as data, read straight from the grid so large results need no copies.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(const Grid& grid, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The grid changed as a whole (new contents, a sort).
    void reload();

private:
    const Grid& m_grid;
};

} // namespace corvane::platform
