#include "platform/db/query_cursor.h"

#include "platform/db/connection.h"
#include "platform/db/grouped_scan.h"
#include "platform/db/sqlite_failure.h"

#include <algorithm>
#include <cstring>
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

Failure readOnlyRefusal(const QString& detail)
{
    return failureWithDetail(
        failure::InvalidSqlStatement, QStringLiteral("this query may only read the database: ") + detail);
}

} // namespace

bool storesUtf8(const Connection& connection)
{
    Statement encoding(connection, QStringLiteral("PRAGMA encoding"));
    return encoding.step() && encoding.column(0).toText() == QLatin1String("UTF-8");
}

QueryCursor::QueryCursor(const Connection& connection, const QString& queryText, QueryAccess access)
    : QueryCursor(connection, toSqliteQuery(connection, queryText), access)
{
}

QueryCursor::QueryCursor(const Connection& connection, const SqliteQuery& query, QueryAccess access)
{
    const bool grouped = query.grouped && storesUtf8(connection); // asked before the authorizer forbids it
    const bool readOnly = access == QueryAccess::ReadOnly;
    // Installed for the whole fetch: SQLite may prepare again while stepping.
    if (readOnly) {
        m_guarded = connection.handle();
        sqlite3_set_authorizer(m_guarded, readOnlyAuthorizer, nullptr);
    }
    try {
        try {
            m_statement.emplace(connection, query.sql);
        } catch (const Failure& failure) {
            if (readOnly && failure.number() == failure::InvalidSqlStatement.number)
                throw readOnlyRefusal(failure.description());
            throw;
        }
        if (readOnly && !m_statement->isReadOnly())
            throw readOnlyRefusal(QStringLiteral("the statement writes"));
    } catch (const Failure&) {
        m_statement.reset();
        if (m_guarded)
            sqlite3_set_authorizer(m_guarded, nullptr, nullptr);
        throw;
    }
    const int columns = std::max(0, m_statement->columnCount() - query.hiddenTrailingColumns);
    for (int c = 0; c < columns; ++c)
        m_columnNames.append(m_statement->columnName(c));
    if (grouped)
        m_grouped = std::make_unique<GroupedScan>(connection, *query.grouped, query.sql, columns);
}

QueryCursor::~QueryCursor()
{
    m_grouped.reset();
    m_statement.reset();
    if (m_guarded)
        sqlite3_set_authorizer(m_guarded, nullptr, nullptr);
}

bool QueryCursor::next(std::vector<Value>& row)
{
    if (const std::optional<bool> grouped = nextGroupedRow(m_grouped, row))
        return *grouped;
    if (!m_statement->step())
        return false;
    row.resize(static_cast<std::size_t>(columnCount()));
    for (int c = 0; c < columnCount(); ++c)
        row[static_cast<std::size_t>(c)] = m_statement->column(c);
    return true;
}

} // namespace corvane::platform::db
