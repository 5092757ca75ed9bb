#include "platform/grid/grid.h"

#include "platform/failure/failure_codes.h"

#include <algorithm>
#include <numeric>

namespace corvane::platform {

namespace {

constexpr int DefaultColWidth = 1200; // twips

// A cell's sort key: numbers before text, each in its own order.
struct SortKey {
    bool isNumber;
    double number;
    QString folded;
};

int compareKeys(const SortKey& a, const SortKey& b)
{
    if (a.isNumber != b.isNumber)
        return a.isNumber ? -1 : 1;
    if (a.isNumber)
        return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    return a.folded.compare(b.folded);
}

} // namespace

void Grid::setContents(const QStringList& headings, std::vector<QStringList> rows)
{
    RowStore store(static_cast<int>(headings.size()));
    for (const QStringList& row : rows)
        store.append(row);
    setRows(headings, std::move(store));
}

void Grid::setRows(const QStringList& headings, RowStore rows)
{
    m_headings = headings;
    m_rows = std::move(rows);
    if (m_rows.columns() != m_headings.size()) {
        RowStore fitted(static_cast<int>(m_headings.size()));
        for (std::size_t r = 0; r < m_rows.size(); ++r)
            fitted.append(m_rows.row(r));
        m_rows = std::move(fitted);
    }
    m_widths.assign(static_cast<std::size_t>(cols()), DefaultColWidth);
    m_alignments.assign(static_cast<std::size_t>(cols()), 0);
    m_row = m_rowSel = m_rows.empty() ? 0 : 1;
    m_col = m_colSel = 0;
}

void Grid::checkCell(int row, int col) const
{
    if (row < 0 || row >= rows() || col < 0 || col >= cols())
        throw failure::SubscriptOutOfRange.make(QStringLiteral("cell %1, %2").arg(row).arg(col));
}

QString Grid::text(int row, int col) const
{
    checkCell(row, col);
    return row == 0 ? m_headings[col] : m_rows.text(static_cast<std::size_t>(row - 1), col);
}

void Grid::setText(int row, int col, const QString& text)
{
    checkCell(row, col);
    if (row == 0) {
        m_headings[col] = text;
        return;
    }
    QStringList cells = m_rows.row(static_cast<std::size_t>(row - 1));
    cells[col] = text;
    m_rows.replace(static_cast<std::size_t>(row - 1), cells);
}

void Grid::setCurrentCell(int row, int col)
{
    checkCell(row, col);
    m_row = m_rowSel = row;
    m_col = m_colSel = col;
}

void Grid::setSelectionEnd(int rowSel, int colSel)
{
    checkCell(rowSel, colSel);
    m_rowSel = rowSel;
    m_colSel = colSel;
}

void Grid::selectColumnForHeadingClick(int col)
{
    checkCell(0, col);
    m_col = m_colSel = col;
    if (m_rows.empty())
        return;
    m_row = 1;
    m_rowSel = rows() - 1;
}

void Grid::sort(SortDirection direction)
{
    applySortOrder(sortOrder(direction));
}

void Grid::applySortOrder(const SortOrder& order)
{
    if (!order.order.empty())
        m_rows.reorder(static_cast<std::size_t>(order.top - 1), order.order);
}

Grid::SortOrder Grid::sortOrder(SortDirection direction) const
{
    const int top = std::max(1, selectionTop());
    const int bottom = selectionBottom();
    if (bottom <= top)
        return {};
    const int left = selectionLeft();
    const int right = selectionRight();

    // Keys are built once per cell, not once per comparison, side by side.
    const auto count = static_cast<std::size_t>(bottom - top + 1);
    const auto width = static_cast<std::size_t>(right - left + 1);
    std::vector<SortKey> keys(count * width);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t k = 0; k < width; ++k) {
            const QString cell
                = m_rows.text(static_cast<std::size_t>(top - 1) + i, left + static_cast<int>(k));
            SortKey& key = keys[i * width + k];
            key.isNumber = isNumber(cell, &key.number);
            if (!key.isNumber)
                key.folded = cell.toCaseFolded();
        }
    }
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    const int sign = direction == SortDirection::Ascending ? 1 : -1;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t k = 0; k < width; ++k) {
            if (const int c = compareKeys(keys[a * width + k], keys[b * width + k]); c != 0)
                return sign * c < 0;
        }
        return false;
    });
    return { top, std::move(order) };
}

int Grid::colWidth(int col) const
{
    checkCell(0, col);
    return m_widths[static_cast<std::size_t>(col)];
}

void Grid::setColWidth(int col, int twips)
{
    checkCell(0, col);
    m_widths[static_cast<std::size_t>(col)] = twips;
}

int Grid::colAlignment(int col) const
{
    checkCell(0, col);
    return m_alignments[static_cast<std::size_t>(col)];
}

void Grid::setColAlignment(int col, int alignment)
{
    checkCell(0, col);
    m_alignments[static_cast<std::size_t>(col)] = alignment;
}

bool Grid::isNumber(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    // Plain decimal notation only: toDouble alone would also take "inf" and "nan".
    for (QChar c : trimmed) {
        if (!c.isDigit() && c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('+')
            && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return false;
    }
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (ok && value)
        *value = number;
    return ok;
}

} // namespace corvane::platform
