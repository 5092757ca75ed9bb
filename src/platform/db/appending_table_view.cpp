#include "platform/db/appending_table_view.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/sqlite_query.h"

#include <QStringList>
#include <algorithm>

namespace corvane::platform::db {

AppendingTableView::AppendingTableView(const Connection& connection, const QString& table)
    : m_connection(connection)
    , m_columns(connection, table)
{
    m_values.resize(static_cast<std::size_t>(m_columns.count()));
    m_set.resize(m_values.size());
}

long long AppendingTableView::recordCount() const
{
    // On a file of millions of rows the count reads most of it: only when
    // someone asks.
    if (!m_recordCount) {
        Statement count(
            m_connection, QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(m_columns.table()));
        count.step();
        m_recordCount = count.column(0).toInt64();
    }
    return *m_recordCount;
}

void AppendingTableView::forget(long long rows)
{
    if (m_recordCount)
        *m_recordCount -= rows;
}

void AppendingTableView::addNew()
{
    std::fill(m_set.begin(), m_set.end(), false);
    m_editing = true;
}

void AppendingTableView::requireEditing() const
{
    if (!m_editing)
        throw failure::UpdateWithoutAddNew.make();
}

int AppendingTableView::editableColumn(const QString& column) const
{
    const int index = m_columns.require(column);
    requireEditing();
    return index;
}

void AppendingTableView::setValue(const QString& column, const Value& value)
{
    setValue(editableColumn(column), value);
}

void AppendingTableView::setValue(const QString& column, const QDateTime& value)
{
    setValue(editableColumn(column), value);
}

void AppendingTableView::setValue(int column, const Value& value)
{
    requireEditing();
    m_values.at(static_cast<std::size_t>(column)) = m_columns.toStored(column, value);
    m_set[static_cast<std::size_t>(column)] = true;
}

void AppendingTableView::setValue(int column, const QDateTime& value)
{
    requireEditing();
    m_values.at(static_cast<std::size_t>(column)) = m_columns.toStored(column, value);
    m_set[static_cast<std::size_t>(column)] = true;
}

Statement& AppendingTableView::insertFor(const std::vector<bool>& set)
{
    auto found = m_inserts.find(set);
    if (found != m_inserts.end())
        return found->second;
    QStringList names;
    QStringList marks;
    for (int i = 0; i < m_columns.count(); ++i) {
        if (set[static_cast<std::size_t>(i)]) {
            names.append(quoteIdentifier(m_columns.at(i).name));
            marks.append(QStringLiteral("?"));
        }
    }
    QString sql = QStringLiteral("INSERT INTO ") + quoteIdentifier(m_columns.table());
    sql += names.isEmpty() ? QStringLiteral(" DEFAULT VALUES")
                           : QStringLiteral(" (") + names.join(QStringLiteral(", "))
            + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QStringLiteral(")");
    return m_inserts.emplace(set, Statement(m_connection, sql, Statement::Lifetime::Persistent))
        .first->second;
}

void AppendingTableView::update()
{
    if (!m_editing)
        throw failure::UpdateWithoutAddNew.make();
    m_editing = false; // a failed row is dropped, never committed later
    Statement& insert = insertFor(m_set);
    int parameter = 0;
    for (std::size_t i = 0; i < m_values.size(); ++i)
        if (m_set[i])
            insert.bind(++parameter, m_values[i]);
    // In autocommit the one statement is the row's whole transaction: it is
    // stored entirely or not at all.
    insert.step();
    insert.reset();
    insert.clearBindings();
    if (m_recordCount)
        ++*m_recordCount;
    m_lastRowId = m_connection.lastInsertRowId();
}

} // namespace corvane::platform::db
