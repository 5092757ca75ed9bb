#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace corvane::platform::jet {

class Emitter;
struct Query;
struct SchemaSnapshot;

// A GROUP BY query simple enough to be grouped outside SQLite: one table,
// plain columns as the keys, Count, Sum and Avg over plain columns, an
// optional WHERE, ORDER BY keys and aggregates, TOP with its ties. Its rows
// are those of the translated SQL when the rows the WHERE lets through are
// grouped as SQLite groups them (see db::GroupedScan).
struct GroupedQuery {
    struct Column {
        QString name; // as the schema spells it
        QString collation; // BINARY, NOCASE or RTRIM
    };
    enum class Aggregate { CountRows, Count, Sum, Average };
    struct Computed {
        Aggregate kind = Aggregate::CountRows;
        int argument = -1; // into arguments; -1 for Count(*)
    };
    // A result column or sort key: a GROUP BY column or a computed aggregate.
    struct Value {
        bool isKey = false;
        int index = 0; // into keys or computed
    };
    struct Order {
        Value value;
        bool descending = false;
    };
    enum class Limit {
        None,
        First, // the first top rows (LIMIT)
        Ties, // every row whose rank is within top
        TiesPercent, // every row whose rank is within top percent of the rows
    };

    QString table; // as the schema spells it
    QString alias; // the FROM clause's name for it, empty when none
    QString where; // the condition as SQLite SQL, empty when none
    // The column the WHERE only bounds, when it is nothing but comparisons of
    // that column with constants joined by AND: it then holds for every row
    // when it holds for the column's smallest and largest values.
    QString rangeColumn;
    std::vector<Column> keys; // in GROUP BY order
    std::vector<Column> arguments; // the columns the aggregates read
    std::vector<Computed> computed;
    std::vector<Value> outputs; // the result columns, left to right
    std::vector<Order> order;
    Limit limit = Limit::None;
    long long top = 0;
};

// The one table a query reads and the condition its rows must pass, when no
// other row of that table can change the result: one SELECT over one table,
// no subquery anywhere. A reader of rows spread over several files may then
// take only the rows that pass.
struct TableFilter {
    QString table; // as the schema spells it
    QString alias; // the FROM clause's name for it, empty when none
    QString where; // as SQLite SQL, empty when every row counts
    QStringList columns; // the columns the query reads, as the schema spells them; empty: all
};

std::optional<TableFilter> describeTableFilter(
    const Query& query, const SchemaSnapshot* schema, Emitter& emitter);

// A listing of one table in the order of plain columns, all ascending or all
// descending, whose rows another reader can merge from several files by
// those columns: the statement also gives the columns' values as hidden
// trailing columns, one per ORDER BY term.
struct KeyedListing {
    QString sql; // the translated statement with the keys appended
    QStringList columns; // the ORDER BY columns, as the schema spells them
    bool descending = false;
};

std::optional<KeyedListing> describeKeyedListing(
    const Query& query, const SchemaSnapshot* schema, const TableFilter& filter, Emitter& emitter);

// The grouped form of a checked query, or nothing for any other shape.
// hiddenColumns: what the emitter added for TOP's ties; the emitter writes
// the WHERE condition as the translated SQL has it.
std::optional<GroupedQuery> describeGroupedQuery(
    const Query& query, const SchemaSnapshot* schema, int hiddenColumns, Emitter& emitter);

} // namespace corvane::platform::jet
