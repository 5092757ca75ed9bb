#pragma once

#include "platform/grid/row_store.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::platform {

enum class SortDirection { Ascending, Descending };

// The contents and state of a grid with one heading row: every cell is
// text, row 0 holds the headings, rows 1.. the data. The current cell and the
// selection work as they did in the old flex grid: the selection spans from
// the current cell to (rowSel, colSel).
class Grid {
public:
    static constexpr int LeftBottom = 2; // the column alignment the reports use

    Grid() = default;

    // Replaces everything; every row is padded or cut to the headings' width.
    // The current cell becomes (1, 0), or (0, 0) without data rows.
    void setContents(const QStringList& headings, std::vector<QStringList> rows);
    // The same with rows already stored, e.g. read on another thread.
    void setRows(const QStringList& headings, RowStore rows);
    void clear() { setRows(QStringList(), RowStore()); }

    // Counts include the heading row.
    int rows() const { return static_cast<int>(m_rows.size()) + 1; }
    int cols() const { return static_cast<int>(m_headings.size()); }

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);

    int row() const { return m_row; }
    int col() const { return m_col; }
    // Moving the current cell collapses the selection onto it.
    void setCurrentCell(int row, int col);
    QString currentText() const { return text(m_row, m_col); }

    int rowSel() const { return m_rowSel; }
    int colSel() const { return m_colSel; }
    void setSelectionEnd(int rowSel, int colSel);
    int selectionTop() const { return std::min(m_row, m_rowSel); }
    int selectionBottom() const { return std::max(m_row, m_rowSel); }
    int selectionLeft() const { return std::min(m_col, m_colSel); }
    int selectionRight() const { return std::max(m_col, m_colSel); }

    // What a click on a column heading does: the column over all data rows
    // selected, with row 1 current. Without data rows only the column changes.
    void selectColumnForHeadingClick(int col);

    // The selected rows reordered by the selected columns, left to right.
    // Two numbers compare as numbers, anything else as text without regard
    // to case; numbers come before text. Equal keys keep their order, and the
    // heading row never moves.
    void sort(SortDirection direction);
    // The same in two steps, so that the slow one can run on another thread
    // while nothing changes the grid: the new order of the selected rows
    // (only reads), then that order applied.
    struct SortOrder {
        int top = 1;
        std::vector<std::size_t> order;
    };
    [[nodiscard]] SortOrder sortOrder(SortDirection direction) const;
    void applySortOrder(const SortOrder& order);

    int colWidth(int col) const; // twips
    void setColWidth(int col, int twips);
    int colAlignment(int col) const;
    void setColAlignment(int col, int alignment);
    double fontSize() const { return m_fontSize; }
    void setFontSize(double points) { m_fontSize = points; }

    // Whether a cell's text counts as a number for the sort.
    static bool isNumber(const QString& text, double* value = nullptr);

    // What the rows take in memory.
    std::size_t rowBytes() const { return m_rows.bytes(); }

private:
    void checkCell(int row, int col) const;

    QStringList m_headings;
    RowStore m_rows;
    std::vector<int> m_widths;
    std::vector<int> m_alignments;
    int m_row = 0;
    int m_col = 0;
    int m_rowSel = 0;
    int m_colSel = 0;
    double m_fontSize = 8.25;
};

} // namespace corvane::platform
