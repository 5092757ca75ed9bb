#include "platform/db/row_set_view.h"

#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"

#include <algorithm>

namespace corvane::platform::db {

RowSetView::RowSetView(const Connection& connection, const QString& table)
    : m_connection(&connection)
    , m_columns(connection, table)
{
    QStringList names;
    for (const QString& name : m_columns.names())
        names.append(quoteIdentifier(name));
    m_selectColumns = names.join(QStringLiteral(", "));
    refresh();
}

void RowSetView::refresh()
{
    Statement select(connection(),
        QStringLiteral("SELECT rowid, ") + m_selectColumns + QStringLiteral(" FROM ")
            + quoteIdentifier(m_columns.table()) + QStringLiteral(" ORDER BY rowid"));
    std::vector<long long> rowIds;
    std::vector<std::vector<Value>> rows;
    while (select.step()) {
        rowIds.push_back(select.column(0).toInt64());
        std::vector<Value> row;
        for (int c = 0; c < m_columns.count(); ++c)
            row.push_back(select.column(c + 1));
        rows.push_back(std::move(row));
    }
    m_rowIds = std::move(rowIds);
    m_rows = std::move(rows);
    m_edits.clear();
    m_current = m_rows.empty() ? -1 : 0;
}

const Connection& RowSetView::connection() const
{
    if (!m_connection)
        throw failure::ObjectNotSet.make();
    return *m_connection;
}

void RowSetView::changeCurrent(long long index)
{
    if (index != m_current)
        m_edits.clear();
    m_current = index;
}

void RowSetView::moveTo(long long index)
{
    if (index < 0 || index >= recordCount())
        throw failure::NoCurrentRecord.make();
    changeCurrent(index);
}

bool RowSetView::findFirst(const QString& criterion)
{
    // Jet dialect: the table name in brackets, the criterion as written.
    const ResultSet found(connection(),
        QStringLiteral("SELECT rowid FROM [") + m_columns.table() + QStringLiteral("] WHERE ") + criterion,
        QueryAccess::ReadOnly);
    long long best = -1;
    for (const auto& row : found.rows()) {
        const long long rowId = row.front().toInt64();
        const auto at = std::lower_bound(m_rowIds.begin(), m_rowIds.end(), rowId);
        if (at != m_rowIds.end() && *at == rowId) {
            const long long index = at - m_rowIds.begin();
            if (best < 0 || index < best)
                best = index;
        }
    }
    if (best < 0)
        return false;
    changeCurrent(best);
    return true;
}

Value RowSetView::value(const QString& column) const
{
    const int index = m_columns.require(column);
    if (!hasCurrentRow())
        throw failure::NoCurrentRecord.make();
    const auto edit = m_edits.find(index);
    if (edit != m_edits.end())
        return edit->second;
    return m_rows[static_cast<std::size_t>(m_current)][static_cast<std::size_t>(index)];
}

Value RowSetView::value(long long row, const QString& column) const
{
    const int index = m_columns.require(column);
    if (row < 0 || row >= recordCount())
        throw failure::NoCurrentRecord.make();
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)];
}

void RowSetView::setValue(const QString& column, const Value& value)
{
    const int index = m_columns.require(column);
    if (!hasCurrentRow())
        throw failure::NoCurrentRecord.make();
    m_edits[index] = m_columns.toStored(index, value);
}

std::vector<Value> RowSetView::readRow(long long rowId) const
{
    Statement select(connection(),
        QStringLiteral("SELECT ") + m_selectColumns + QStringLiteral(" FROM ")
            + quoteIdentifier(m_columns.table()) + QStringLiteral(" WHERE rowid = ?"));
    select.bind(1, Value(rowId));
    std::vector<Value> row;
    if (select.step())
        for (int c = 0; c < m_columns.count(); ++c)
            row.push_back(select.column(c));
    return row;
}

void RowSetView::update()
{
    if (!hasCurrentRow())
        throw failure::NoCurrentRecord.make();
    if (m_edits.empty())
        return;
    QStringList assignments;
    for (const auto& edit : m_edits)
        assignments.append(quoteIdentifier(m_columns.at(edit.first).name) + QStringLiteral(" = ?"));
    Statement write(connection(),
        QStringLiteral("UPDATE ") + quoteIdentifier(m_columns.table()) + QStringLiteral(" SET ")
            + assignments.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?"));
    int parameter = 0;
    for (const auto& edit : m_edits)
        write.bind(++parameter, edit.second);
    const long long rowId = m_rowIds[static_cast<std::size_t>(m_current)];
    write.bind(++parameter, Value(rowId));
    write.step();
    if (connection().changes() == 0)
        throw failure::RecordIsDeleted.make();
    m_edits.clear();
    // Read back what the column made of the values (affinity, dates).
    std::vector<Value> stored = readRow(rowId);
    if (!stored.empty())
        m_rows[static_cast<std::size_t>(m_current)] = std::move(stored);
}

} // namespace corvane::platform::db
