#pragma once

#include "platform/grid/grid.h"

#include <QTableView>

namespace corvane::platform {

class GridModel;

// A read-only grid on screen. A click on a column heading selects that
// column over all data rows with row 1 current; a click on a cell makes it
// current, and a drag selects from the cell pressed (current) to the cell
// released. Each then raises gridClicked(), after the grid's own selection.
class GridWidget : public QTableView {
    Q_OBJECT
public:
    explicit GridWidget(QWidget* parent = nullptr);

    Grid& grid() { return m_grid; }
    const Grid& grid() const { return m_grid; }

    // Shows the grid again after its contents, order, widths or font changed.
    void refresh();
    // Shows new widths or a new font only; the rows stay as they are shown.
    void showFormat();

signals:
    void gridClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void headingClicked(int section);
    // The grid takes the view's selection: from anchor (current) to end.
    void takeSelection(const QModelIndex& anchor, const QModelIndex& end);
    void showSelection();

    Grid m_grid;
    GridModel* m_model;
    QPersistentModelIndex m_pressed;
    // Set while the grid's own widths are shown, so only a user's drag (or a
    // fit to the contents) is taken back into the grid.
    bool m_showingWidths = false;
};

} // namespace corvane::platform
