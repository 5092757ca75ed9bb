#pragma once

#include "platform/jet/translator/grouped_query.h"

#include <QString>
#include <optional>

namespace corvane::platform::db {

class Connection;

// A Jet query text as SQLite runs it, plus the number of helper columns at the
// right of its result that the caller must not see.
struct SqliteQuery {
    // A constructor rather than an aggregate, so { sql, hidden } still says all.
    SqliteQuery(QString sql = {}, int hidden = 0, std::optional<jet::GroupedQuery> grouped = {},
        std::optional<jet::TableFilter> filter = {}, std::optional<jet::KeyedListing> keyed = {})
        : sql(std::move(sql))
        , hiddenTrailingColumns(hidden)
        , grouped(std::move(grouped))
        , filter(std::move(filter))
        , keyed(std::move(keyed))
    {
    }

    QString sql;
    int hiddenTrailingColumns = 0;
    std::optional<jet::GroupedQuery> grouped; // when the rows may be grouped outside SQLite
    std::optional<jet::TableFilter> filter; // when only one table's rows passing a condition count
    std::optional<jet::KeyedListing> keyed; // when rows from several files can be merged by their keys
};

// The one place where a query text of the program becomes SQLite SQL; every
// result set and find goes through it, so the dialect translator sits here.
SqliteQuery toSqliteQuery(const Connection& connection, const QString& queryText);

// "name" with any " doubled: an identifier SQLite never reads as a string.
QString quoteIdentifier(const QString& name);

} // namespace corvane::platform::db
