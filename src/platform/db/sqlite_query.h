#pragma once

#include <QString>

namespace corvane::platform::db {

class Connection;

// A Jet query text as SQLite runs it, plus the number of helper columns at the
// right of its result that the caller must not see.
struct SqliteQuery {
    QString sql;
    int hiddenTrailingColumns = 0;
};

// The one place where a query text of the program becomes SQLite SQL; every
// result set and find goes through it, so the dialect translator sits here.
SqliteQuery toSqliteQuery(const Connection& connection, const QString& queryText);

// "name" with any " doubled: an identifier SQLite never reads as a string.
QString quoteIdentifier(const QString& name);

} // namespace corvane::platform::db
