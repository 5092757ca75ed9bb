#include "platform/db/result_set.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

// Only what a plain SELECT needs: reading tables and calling functions. Not
// even PRAGMA, ATTACH or BEGIN, which sqlite3_stmt_readonly lets through.
int readOnlyAuthorizer(void*, int action, const char* /*arg1*/, const char* arg2, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        return arg2 && std::strcmp(arg2, "load_extension") == 0 ? SQLITE_DENY : SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// Installed for the whole fetch: SQLite may prepare again while stepping.
class ReadOnlyGuard {
public:
    ReadOnlyGuard(sqlite3* db, bool active)
        : m_db(active ? db : nullptr)
    {
        if (m_db)
            sqlite3_set_authorizer(m_db, readOnlyAuthorizer, nullptr);
    }
    ~ReadOnlyGuard()
    {
        if (m_db)
            sqlite3_set_authorizer(m_db, nullptr, nullptr);
    }
    ReadOnlyGuard(const ReadOnlyGuard&) = delete;
    ReadOnlyGuard& operator=(const ReadOnlyGuard&) = delete;

private:
    sqlite3* m_db;
};

Failure readOnlyRefusal(const QString& detail)
{
    return failureWithDetail(
        failure::InvalidSqlStatement, QStringLiteral("this query may only read the database: ") + detail);
}

} // namespace

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
    const bool readOnly = access == QueryAccess::ReadOnly;
    ReadOnlyGuard guard(connection.handle(), readOnly);

    std::optional<Statement> statement;
    try {
        statement.emplace(connection, query.sql);
    } catch (const Failure& failure) {
        if (readOnly && failure.number() == failure::InvalidSqlStatement.number)
            throw readOnlyRefusal(failure.description());
        throw;
    }
    if (readOnly && !statement->isReadOnly())
        throw readOnlyRefusal(QStringLiteral("the statement writes"));

    const int columns = std::max(0, statement->columnCount() - query.hiddenTrailingColumns);
    for (int c = 0; c < columns; ++c) {
        m_columnNames.append(statement->columnName(c));
        const QString key = m_columnNames.back().toCaseFolded();
        if (!m_byFoldedName.contains(key)) // the first of equal names wins
            m_byFoldedName.insert(key, c);
    }
    while (statement->step()) {
        std::vector<Value> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(statement->column(c));
        m_rows.push_back(std::move(row));
    }
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
