#include "platform/db/result_set.h"

#include "platform/db/connection.h"
#include "platform/db/file_set_cursor.h"
#include "platform/db/query_cursor.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/sqlite_query.h"

namespace corvane::platform::db {

ResultSet::ResultSet(const Connection& connection, const QString& queryText, QueryAccess access)
    : ResultSet(connection, toSqliteQuery(connection, queryText), access)
{
}

ResultSet ResultSet::fromSqlite(const Connection& connection, const SqliteQuery& query, QueryAccess access)
{
    return ResultSet(connection, query, access);
}

ResultSet::ResultSet(const Connection& connection, const SqliteQuery& query, QueryAccess access)
{
    QueryCursor cursor(connection, query, access);
    fetch(cursor);
}

ResultSet::ResultSet(
    const DatabaseEngine& engine, const FileSet& files, const QString& queryText, QueryAccess access)
{
    FileSetCursor cursor(engine, files, queryText, access);
    fetch(cursor);
}

template <class Cursor> void ResultSet::fetch(Cursor& cursor)
{
    m_columnNames = cursor.columnNames();
    for (int c = 0; c < cursor.columnCount(); ++c) {
        const QString key = m_columnNames[c].toCaseFolded();
        if (!m_byFoldedName.contains(key)) // the first of equal names wins
            m_byFoldedName.insert(key, c);
    }
    std::vector<Value> row;
    while (cursor.next(row))
        m_rows.push_back(row);
}

int ResultSet::columnIndex(const QString& name) const
{
    return m_byFoldedName.value(name.toCaseFolded(), -1);
}

void ResultSet::moveFirst()
{
    if (m_rows.empty())
        throw failure::NoCurrentRecord.make();
    m_current = 0;
}

void ResultSet::moveLast()
{
    if (m_rows.empty())
        throw failure::NoCurrentRecord.make();
    m_current = recordCount() - 1;
}

void ResultSet::moveNext()
{
    if (eof())
        throw failure::NoCurrentRecord.make();
    ++m_current;
}

const std::vector<Value>& ResultSet::currentRow() const
{
    if (eof())
        throw failure::NoCurrentRecord.make();
    return m_rows[static_cast<std::size_t>(m_current)];
}

Value ResultSet::value(const QString& column) const
{
    const int index = columnIndex(column);
    if (index < 0)
        throw failureWithDetail(failure::ItemNotFound, column);
    return currentRow()[static_cast<std::size_t>(index)];
}

Value ResultSet::value(int column) const
{
    const auto& row = currentRow();
    if (column < 0 || column >= columnCount())
        throw failureWithDetail(failure::ItemNotFound, QString::number(column));
    return row[static_cast<std::size_t>(column)];
}

std::vector<QStringList> ResultSet::displayRows() const
{
    std::vector<QStringList> rows;
    rows.reserve(m_rows.size());
    for (const auto& values : m_rows) {
        QStringList cells;
        cells.reserve(static_cast<qsizetype>(values.size()));
        for (const auto& value : values)
            cells << value.displayText();
        rows.push_back(std::move(cells));
    }
    return rows;
}

} // namespace corvane::platform::db
