#pragma once

#include "platform/db/value.h"
#include "platform/jet/translator/grouped_query.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace corvane::platform::db {

class Connection;

// The rows of a grouped query made without SQLite's GROUP BY, which sorts
// every row it groups: SQLite reads the rows the WHERE lets through and
// hands them to a function that groups them in a hash table, on two
// connections at once when there are many. The rows are those of the plain
// SQL, in its order: groups ordered as SQLite's sorter leaves them, then by
// a stable sort on the ORDER BY, TOP's ties by rank. Where the order the
// rows are read in could change a result (a key in two spellings, a sum of
// fractions), they are read again in the plain query's own order; a plan or
// value it cannot follow leaves the query to the plain SQL.
class GroupedScan {
public:
    enum class Step { Row, Done, Unsupported };

    // plainSql: the translated SQL, prepared already on the connection;
    // columns: its result columns without the hidden ones. earlierFiles:
    // files holding the table's older rows, as one file that was never split
    // would; their groups are merged in when no order of reading could
    // change a group, otherwise the scan is Unsupported.
    GroupedScan(const Connection& connection, jet::GroupedQuery query, QString plainSql, int columns,
        std::vector<const Connection*> earlierFiles = {});
    ~GroupedScan();
    GroupedScan(const GroupedScan&) = delete;
    GroupedScan& operator=(const GroupedScan&) = delete;

    // The next row; the first call runs the scan. Unsupported (before any
    // row) when the plain SQL has to run instead. An interrupted statement
    // fails as it fails for the plain SQL.
    Step next(std::vector<Value>& row);

    // Queries answered this way since the program started, for tests and
    // benchmarks to see that it happened.
    static long long completedScans();

    // When a second connection and a full read of the table pay; tests
    // lower them to reach those paths with few rows.
    struct Tuning {
        long long parallelRows = 200'000; // below, one connection reads
        double tableScanShare = 0.2; // from this share of the table on, reading it all beats an index
    };
    static void tune(const Tuning& tuning);

private:
    class Run;

    const Connection& m_connection;
    std::vector<const Connection*> m_earlierFiles;
    jet::GroupedQuery m_query;
    QString m_plainSql;
    int m_columns;
    bool m_started = false;
    bool m_supported = true;
    std::vector<std::vector<Value>> m_rows;
    std::size_t m_next = 0;
};

// A cursor's next() through its scan, if it has one: true or false as next()
// answers; nothing when there is no scan, or it has just turned out
// Unsupported (it is then dropped), and the plain statement makes the rows.
std::optional<bool> nextGroupedRow(std::unique_ptr<GroupedScan>& scan, std::vector<Value>& row);

// The function the scan's statements feed their rows to; every connection
// registers it.
void registerGroupRowsFunction(sqlite3* db);

} // namespace corvane::platform::db
