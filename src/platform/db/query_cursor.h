#pragma once

#include "platform/db/sqlite_query.h"
#include "platform/db/statement.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace corvane::platform::db {

class Connection;
class GroupedScan;

enum class QueryAccess {
    Any,
    // Report and chart queries: one SELECT that can change nothing; a write,
    // ATTACH, PRAGMA, transaction or second statement fails before it runs.
    ReadOnly,
};

// Whether the file keeps its text as UTF-8, the form the grouping outside
// SQLite compares keys in.
bool storesUtf8(const Connection& connection);

// The rows of one query, one at a time, so that a caller can show or write
// millions of them without holding them all. The connection must outlive it
// and is busy with it until it goes.
class QueryCursor {
public:
    // The query text goes through toSqliteQuery (the dialect layer) first.
    QueryCursor(
        const Connection& connection, const QString& queryText, QueryAccess access = QueryAccess::Any);
    // Runs SQL that is already SQLite's, dropping its hidden trailing columns.
    QueryCursor(
        const Connection& connection, const SqliteQuery& query, QueryAccess access = QueryAccess::Any);
    ~QueryCursor();
    QueryCursor(const QueryCursor&) = delete;
    QueryCursor& operator=(const QueryCursor&) = delete;

    const QStringList& columnNames() const { return m_columnNames; }
    int columnCount() const { return static_cast<int>(m_columnNames.size()); }

    // The next row's values into row (replacing what it held); false after
    // the last one.
    [[nodiscard]] bool next(std::vector<Value>& row);

private:
    sqlite3* m_guarded = nullptr; // the read-only authorizer is on while this lives
    std::optional<Statement> m_statement;
    std::unique_ptr<GroupedScan> m_grouped; // makes the rows instead of the statement, when it can
    QStringList m_columnNames;
};

} // namespace corvane::platform::db
