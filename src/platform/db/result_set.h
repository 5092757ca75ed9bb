#pragma once

#include "platform/db/query_cursor.h"
#include "platform/db/sqlite_query.h"
#include "platform/db/value.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::platform::db {

class Connection;
class DatabaseEngine;
struct FileSet;

// The rows of one query, fetched whole when it opens, with a current row that
// moves first, last and next, so callers get the record count and the values
// by column name the way they used to.
class ResultSet {
public:
    // The query text goes through toSqliteQuery (the dialect layer) first.
    ResultSet(const Connection& connection, const QString& queryText, QueryAccess access = QueryAccess::Any);
    // The query over a set of files, as one file holding their rows would give it.
    ResultSet(const DatabaseEngine& engine, const FileSet& files, const QString& queryText,
        QueryAccess access = QueryAccess::Any);
    // Runs SQL that is already SQLite's, dropping its hidden trailing columns.
    static ResultSet fromSqlite(
        const Connection& connection, const SqliteQuery& query, QueryAccess access = QueryAccess::Any);

    int columnCount() const { return static_cast<int>(m_columnNames.size()); }
    const QStringList& columnNames() const { return m_columnNames; }
    // Without regard to case; -1 when there is no such column.
    int columnIndex(const QString& name) const;

    // Complete at once, since every row is fetched at open.
    long long recordCount() const { return static_cast<long long>(m_rows.size()); }
    // Past the last row (also when there are no rows).
    bool eof() const { return m_current >= recordCount(); }

    // Each fails with 3021 when there is no row to move to.
    void moveFirst();
    void moveLast();
    void moveNext();

    // The current row's value; 3021 without a current row, 3265 for an
    // unknown column.
    Value value(const QString& column) const;
    Value value(int column) const;

    // Every row in the query's order, for filling a grid.
    const std::vector<std::vector<Value>>& rows() const { return m_rows; }
    // Every row as the display text of its values, as grids and exports show them.
    std::vector<QStringList> displayRows() const;

private:
    ResultSet(const Connection& connection, const SqliteQuery& query, QueryAccess access);
    template <class Cursor> void fetch(Cursor& cursor);
    const std::vector<Value>& currentRow() const;

    QStringList m_columnNames;
    QHash<QString, int> m_byFoldedName;
    std::vector<std::vector<Value>> m_rows;
    long long m_current = 0;
};

} // namespace corvane::platform::db
