#include "platform/db/grouped_scan.h"

#include "platform/db/connection.h"
#include "platform/db/group_table.h"
#include "platform/db/sqlite_failure.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <utility>

namespace corvane::platform::db {

namespace {

using Query = jet::GroupedQuery;

constexpr const char* FunctionName = "corvane_group_rows";
constexpr const char* SlotFunctionName = "corvane_group_rows_to";
constexpr const char* PointerType = "corvane-group-rows";
// The two connections take chunks in turn, so neither waits long for the other.
constexpr int Chunks = 32;
constexpr int Samples = 64;

GroupedScan::Tuning g_tuning;

std::atomic<long long> g_completed { 0 };

struct FeedSlot;

// What the statements' function feeds: the table a chunk's rows go to.
struct Feed {
    GroupTable* table = nullptr;
    int keys = 0;
    int columns = 0; // keys, then the aggregates' columns
    int chunk = 0;
    bool refused = false;
    FeedSlot* slot = nullptr; // the connection's slot that points here
};

// Where a connection's function finds its feed: set for the time a scan
// reads, so that no row has to carry the pointer.
struct FeedSlot {
    Feed* feed = nullptr;
};

void feedRowsTo(sqlite3_context* context, int, sqlite3_value** argv)
{
    auto* slot = static_cast<FeedSlot*>(sqlite3_user_data(context));
    slot->feed = static_cast<Feed*>(sqlite3_value_pointer(argv[0], PointerType));
    if (slot->feed)
        slot->feed->slot = slot;
    sqlite3_result_null(context);
}

void groupRowsStep(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    Feed* feed = static_cast<FeedSlot*>(sqlite3_user_data(context))->feed;
    if (!feed || argc != feed->columns) {
        sqlite3_result_error(context, "corvane_group_rows: no group table", -1);
        return;
    }
    try {
        if (!feed->table->add(argv, argv + feed->keys, feed->chunk)) {
            feed->refused = true;
            sqlite3_result_error(context, "corvane_group_rows: a key it cannot group", -1);
        }
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(context);
    }
}

void groupRowsFinal(sqlite3_context* context)
{
    sqlite3_result_null(context);
}

// The plain SQL must run instead.
struct NotReproduced { };

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Prepared = std::unique_ptr<sqlite3_stmt, Finalizer>;

QString bracket(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

GroupTable::Collation collationOf(const QString& name)
{
    if (name == QLatin1String("NOCASE"))
        return GroupTable::Collation::NoCase;
    if (name == QLatin1String("RTRIM"))
        return GroupTable::Collation::RightTrim;
    return GroupTable::Collation::Binary;
}

// How a plan reads the table: in rowid order, or in the order of an index.
struct Access {
    bool byIndex = false;
    QString line; // the plan's line for the table, "COVERING " left out
    QString index;
};

// The rowids a chunk covers, both ends included.
struct Span {
    std::int64_t first = std::numeric_limits<std::int64_t>::min();
    std::int64_t last = std::numeric_limits<std::int64_t>::max();
};

// One way of reading the rows: how the statements reach the table, and
// whether their chunks follow the plain query's order.
struct Reading {
    QString access; // NOT INDEXED, or INDEXED BY the plain query's index
    bool ordered = false;
    bool mayLeaveOutWhere = false; // when every row passes it
    std::vector<Span> chunks;
};

// A chunk's rowids as constants, so that SQLite checks them without a
// parameter per row; the open ends cost nothing.
QString rowIdBounds(const Span& span)
{
    QStringList bounds;
    if (span.first != std::numeric_limits<std::int64_t>::min())
        bounds << QStringLiteral("rowid >= %1").arg(span.first);
    if (span.last != std::numeric_limits<std::int64_t>::max())
        bounds << QStringLiteral("rowid <= %1").arg(span.last);
    return bounds.join(QStringLiteral(" AND "));
}

} // namespace

// One attempt at the groups, on the caller's connection and perhaps a second one.
class GroupedScan::Run {
public:
    Run(const Connection& connection, const Query& query, const QString& plainSql)
        : m_connection(connection)
        , m_db(connection.handle())
        , m_query(query)
        , m_plainSql(plainSql)
    {
        for (const Query::Column& key : query.keys)
            m_collations.push_back(collationOf(key.collation));
        m_uses.assign(query.arguments.size(), GroupTable::Use::Count);
        for (const Query::Computed& computed : query.computed) {
            if (computed.kind == jet::GroupedQuery::Aggregate::Sum
                || computed.kind == jet::GroupedQuery::Aggregate::Average)
                m_uses[static_cast<std::size_t>(computed.argument)] = GroupTable::Use::Sum;
        }
    }

    std::unique_ptr<GroupTable> groups()
    {
        const Access plain = plainAccess();
        if (!rowIdUsable())
            throw NotReproduced();
        const std::optional<Span> span = rowIdSpan();
        const bool many = span
            && static_cast<double>(span->last) - static_cast<double>(span->first) + 1
                >= g_tuning.parallelRows;

        Reading reading;
        if (!plain.byIndex) {
            reading = rowIdReading(true, many ? split(*span) : std::vector<Span> { Span() });
        } else if (many && sampledShare(*span) >= g_tuning.tableScanShare) {
            reading = rowIdReading(false, split(*span));
            reading.mayLeaveOutWhere = !m_query.rangeColumn.isEmpty();
        } else {
            reading = indexReading(plain);
        }
        std::unique_ptr<GroupTable> table = read(reading);
        const bool oneOrderedPass = reading.ordered && m_chunksRead == 1;
        const bool reread = (table->sumsDependOnOrder() && !oneOrderedPass)
            || (table->spellingsDiffer() && !reading.ordered);
        if (reread) {
            // The plain query's own order, in one statement.
            table = read(plain.byIndex ? indexReading(plain) : rowIdReading(true, { Span() }));
        }
        if (table->mayOverflow())
            throw NotReproduced(); // SQLite's answer depends on where the total leaves 64 bits
        return table;
    }

private:
    // Fails as the plain statement would when interrupted; any other
    // failure leaves the query to the plain SQL, which reports it itself.
    void check(int rc) const
    {
        if (rc == SQLITE_INTERRUPT)
            throw sqliteFailure(m_db, rc);
        if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw NotReproduced();
    }

    Prepared prepare(sqlite3* db, const QString& sql) const
    {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* statement = nullptr;
        const int rc
            = sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &statement, nullptr);
        Prepared prepared(statement);
        if (db == m_db)
            check(rc);
        if (rc != SQLITE_OK || !statement)
            throw NotReproduced();
        return prepared;
    }

    std::int64_t firstInteger(const QString& sql, bool* null = nullptr) const
    {
        const Prepared statement = prepare(m_db, sql);
        const int rc = sqlite3_step(statement.get());
        check(rc);
        if (rc != SQLITE_ROW)
            throw NotReproduced();
        if (null)
            *null = sqlite3_column_type(statement.get(), 0) == SQLITE_NULL;
        return sqlite3_column_int64(statement.get(), 0);
    }

    QStringList plan(const QString& sql) const
    {
        const Prepared explain = prepare(m_db, QStringLiteral("EXPLAIN QUERY PLAN ") + sql);
        QStringList lines;
        int rc;
        while ((rc = sqlite3_step(explain.get())) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(explain.get(), 3)));
        check(rc);
        return lines;
    }

    // The one line of a plan that reads the table; the plan may hold no
    // other table read.
    std::optional<QString> tableLine(const QStringList& lines) const
    {
        const QString& visible = m_query.alias.isEmpty() ? m_query.table : m_query.alias;
        std::optional<QString> found;
        for (QString line : lines) {
            if (!line.startsWith(QLatin1String("SCAN ")) && !line.startsWith(QLatin1String("SEARCH ")))
                continue;
            const QString name = line.section(QLatin1Char(' '), 1, 1);
            if (name.startsWith(QLatin1Char('(')))
                continue; // a subquery's rows
            if (found || name.compare(visible, Qt::CaseInsensitive) != 0)
                return std::nullopt;
            found = line.replace(QLatin1String(" USING COVERING INDEX "), QLatin1String(" USING INDEX "));
        }
        return found;
    }

    // The plain query must group with SQLite's sorter, after reading the
    // table in rowid order or along one index.
    Access plainAccess() const
    {
        const QStringList lines = plan(m_plainSql);
        const std::optional<QString> line = tableLine(lines);
        if (!line || !lines.contains(QStringLiteral("USE TEMP B-TREE FOR GROUP BY")))
            throw NotReproduced();
        Access access;
        access.line = *line;
        if (isRowIdLine(*line))
            return access;
        static const QString usingIndex = QStringLiteral(" USING INDEX ");
        const qsizetype at = line->indexOf(usingIndex);
        if (at < 0)
            throw NotReproduced();
        access.byIndex = true;
        access.index = line->mid(at + usingIndex.size()).section(QLatin1Char(' '), 0, 0);
        return access;
    }

    bool isRowIdLine(const QString& line) const
    {
        const QString& visible = m_query.alias.isEmpty() ? m_query.table : m_query.alias;
        return line.compare(QStringLiteral("SCAN ") + visible, Qt::CaseInsensitive) == 0
            || line.startsWith(
                QStringLiteral("SEARCH ") + visible + QStringLiteral(" USING INTEGER PRIMARY KEY "),
                Qt::CaseInsensitive);
    }

    // "rowid" names the rowid (no column of that name), and no temporary
    // table hides the one the query means.
    bool rowIdUsable() const
    {
        const QByteArray table = m_query.table.toUtf8();
        int primaryKey = 0;
        if (sqlite3_table_column_metadata(
                m_db, "main", table.constData(), "rowid", nullptr, nullptr, nullptr, &primaryKey, nullptr)
                != SQLITE_OK
            || !primaryKey)
            return false;
        return sqlite3_table_column_metadata(
                   m_db, "temp", table.constData(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)
            != SQLITE_OK;
    }

    std::optional<Span> rowIdSpan() const
    {
        const QString table = bracket(m_query.table);
        bool empty = false;
        const std::int64_t first = firstInteger(QStringLiteral("SELECT min(rowid) FROM ") + table, &empty);
        if (empty)
            return std::nullopt;
        const std::int64_t last = firstInteger(QStringLiteral("SELECT max(rowid) FROM ") + table);
        return Span { first, last };
    }

    // Split points from the rowids at hand; the outer chunks stay open, so
    // rows added meanwhile still fall into exactly one.
    static std::vector<Span> split(const Span& span)
    {
        std::vector<Span> chunks(Chunks);
        const long double width = (static_cast<long double>(span.last) - span.first + 1) / Chunks;
        for (int c = 1; c < Chunks; ++c) {
            const auto point = static_cast<std::int64_t>(span.first + width * c);
            chunks[static_cast<std::size_t>(c)].first = point;
            chunks[static_cast<std::size_t>(c - 1)].last = point - 1;
        }
        return chunks;
    }

    QString from() const
    {
        return QStringLiteral(" FROM ") + bracket(m_query.table)
            + (m_query.alias.isEmpty() ? QString() : QStringLiteral(" AS ") + bracket(m_query.alias));
    }

    QString where(const QString& extra, bool filtered) const
    {
        QStringList conditions;
        if (filtered && !m_query.where.isEmpty())
            conditions << QLatin1Char('(') + m_query.where + QLatin1Char(')');
        if (!extra.isEmpty())
            conditions << extra;
        return conditions.isEmpty() ? QString()
                                    : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    }

    QString feedSql(const QString& access, const QString& extra, bool filtered = true) const
    {
        QStringList arguments;
        for (const Query::Column& key : m_query.keys)
            arguments << bracket(key.name);
        for (const Query::Column& argument : m_query.arguments)
            arguments << bracket(argument.name);
        return QStringLiteral("SELECT ") + QLatin1String(FunctionName) + QLatin1Char('(')
            + arguments.join(QStringLiteral(", ")) + QLatin1Char(')') + from() + QLatin1Char(' ') + access
            + where(extra, filtered);
    }

    // The rowid order: chunks of rowids in turn.
    Reading rowIdReading(bool ordered, std::vector<Span> chunks) const
    {
        Reading reading;
        reading.access = QStringLiteral("NOT INDEXED");
        for (bool filtered : { true, false }) {
            const std::optional<QString> line
                = tableLine(plan(feedSql(reading.access, rowIdBounds({ 1, 2 }), filtered)));
            if (!line || !isRowIdLine(*line))
                throw NotReproduced();
        }
        reading.ordered = ordered;
        reading.chunks = std::move(chunks);
        return reading;
    }

    // The WHERE only bounds one column: when the rows with the column's
    // smallest and largest value pass, every row passes. Null sorts first.
    bool everyRowPasses() const
    {
        const QString ends = QStringLiteral("SELECT rowid FROM ") + bracket(m_query.table)
            + QStringLiteral(" ORDER BY ") + bracket(m_query.rangeColumn);
        const QString sql = QStringLiteral("SELECT count(*), count(CASE WHEN ") + m_query.where
            + QStringLiteral(" THEN 1 END)") + from() + QStringLiteral(" WHERE rowid IN ((") + ends
            + QStringLiteral(" LIMIT 1), (") + ends + QStringLiteral(" DESC LIMIT 1))");
        for (const QString& line : plan(sql)) {
            if (line.contains(QLatin1String("TEMP B-TREE")))
                return false; // no index gives the ends at once
        }
        const Prepared ends2 = prepare(m_db, sql);
        const int rc = sqlite3_step(ends2.get());
        check(rc);
        const sqlite3_int64 rows = sqlite3_column_int64(ends2.get(), 0);
        return rc == SQLITE_ROW && rows > 0 && sqlite3_column_int64(ends2.get(), 1) == rows;
    }

    // The plain query's index, the plain query's way.
    Reading indexReading(const Access& plain) const
    {
        Reading reading;
        reading.access = QStringLiteral("INDEXED BY ") + bracket(plain.index);
        if (tableLine(plan(feedSql(reading.access, QString()))) != plain.line)
            throw NotReproduced();
        reading.ordered = true;
        reading.chunks = { Span() };
        return reading;
    }

    // The share of the table's rows the WHERE lets through, from rows spread
    // over the rowids. Only chooses how to read: never changes a result.
    double sampledShare(const Span& span) const
    {
        if (m_query.where.isEmpty())
            return 1;
        QStringList rowIds;
        const long double step = (static_cast<long double>(span.last) - span.first) / (Samples - 1);
        for (int i = 0; i < Samples; ++i)
            rowIds << QString::number(static_cast<std::int64_t>(span.first + step * i));
        const Prepared sample = prepare(m_db,
            QStringLiteral("SELECT count(*), count(CASE WHEN ") + m_query.where
                + QStringLiteral(" THEN 1 END)") + from() + QStringLiteral(" WHERE rowid IN (")
                + rowIds.join(QStringLiteral(", ")) + QLatin1Char(')'));
        const int rc = sqlite3_step(sample.get());
        check(rc);
        const double seen = static_cast<double>(sqlite3_column_int64(sample.get(), 0));
        return seen > 0 ? static_cast<double>(sqlite3_column_int64(sample.get(), 1)) / seen : 0;
    }

    struct Worker {
        std::unique_ptr<GroupTable> table;
        Feed feed;
        int rc = SQLITE_OK; // the first failure
        std::optional<Failure> failure;
        int chunks = 0;
    };

    Worker worker() const
    {
        Worker w;
        w.table = std::make_unique<GroupTable>(m_collations, m_uses);
        w.feed.table = w.table.get();
        w.feed.keys = static_cast<int>(m_query.keys.size());
        w.feed.columns = static_cast<int>(m_query.keys.size() + m_query.arguments.size());
        return w;
    }

    // Takes chunks in turn until none is left, another worker failed or
    // this one fails; own: a chunk taken before the others started.
    static void work(sqlite3* db, const std::vector<QByteArray>& chunks, Worker& w, std::atomic<int>& next,
        std::atomic<bool>& stop, int own = -1)
    {
        {
            // The connection's function feeds this worker's table from now on.
            sqlite3_stmt* to = nullptr;
            const std::string sql = std::string("SELECT ") + SlotFunctionName + "(?1)";
            int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &to, nullptr);
            if (rc == SQLITE_OK) {
                sqlite3_bind_pointer(to, 1, &w.feed, PointerType, nullptr);
                rc = sqlite3_step(to);
            }
            sqlite3_finalize(to);
            if (rc != SQLITE_ROW) {
                w.rc = rc == SQLITE_OK ? SQLITE_ERROR : rc;
                w.failure = sqliteFailure(db, w.rc);
                stop = true;
                return;
            }
        }
        while (!stop) {
            const int c = own >= 0 ? std::exchange(own, -1) : next++;
            if (c >= static_cast<int>(chunks.size()))
                break;
            const QByteArray& sql = chunks[static_cast<std::size_t>(c)];
            sqlite3_stmt* statement = nullptr;
            int rc
                = sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &statement, nullptr);
            w.feed.chunk = c;
            if (rc == SQLITE_OK)
                rc = sqlite3_step(statement);
            w.table->flush();
            if (rc != SQLITE_ROW) {
                w.rc = rc == SQLITE_OK ? SQLITE_ERROR : rc;
                w.failure = sqliteFailure(db, w.rc);
                stop = true;
            }
            sqlite3_finalize(statement);
            ++w.chunks;
        }
        w.feed.slot->feed = nullptr;
    }

    std::unique_ptr<GroupTable> read(const Reading& reading)
    {
        std::optional<Helper> helper;
        if (reading.chunks.size() > 1)
            helper = openHelper();
        // The check and the reads see one state of the file: an open read
        // holds it on the caller's connection.
        bool filtered = true;
        Prepared held;
        if (reading.mayLeaveOutWhere) {
            if (!helper)
                held = heldRead(m_db);
            filtered = !((helper || held) && everyRowPasses());
        }
        // Alone, the caller's connection reads everything in one statement:
        // one state of the file, without holding a read open.
        const std::vector<Span> spans = helper ? reading.chunks : std::vector<Span> { Span() };
        std::vector<QByteArray> chunks;
        for (const Span& span : spans)
            chunks.push_back(feedSql(reading.access, rowIdBounds(span), filtered).toUtf8());
        Worker mine = worker();
        Worker theirs = worker();
        // The caller's connection reads the first chunk whatever happens, so
        // that its progress handler and interrupts see the scan run.
        std::atomic<int> next { helper ? 1 : 0 };
        std::atomic<bool> stop { false };
        if (!helper) {
            work(m_db, chunks, mine, next, stop);
        } else {
            sqlite3_progress_handler(
                helper->connection->handle(), 1000,
                [](void* flag) { return static_cast<std::atomic<bool>*>(flag)->load() ? 1 : 0; }, &stop);
            {
                std::jthread second([&] {
                    try {
                        work(helper->connection->handle(), chunks, theirs, next, stop);
                    } catch (...) {
                        theirs.rc = SQLITE_ERROR;
                        stop = true;
                    }
                });
                try {
                    work(m_db, chunks, mine, next, stop, 0);
                } catch (...) {
                    stop = true;
                    throw;
                }
            }
            // An interrupt that came while this connection waited for the
            // other one shows on its open read.
            if (mine.rc == SQLITE_OK)
                mine.rc
                    = sqlite3_step(helper->anchor.get()) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(m_db);
            if (mine.rc == SQLITE_INTERRUPT && !mine.failure)
                mine.failure = sqliteFailure(m_db, mine.rc);
        }
        if (mine.rc == SQLITE_INTERRUPT)
            throw *mine.failure;
        if (mine.rc != SQLITE_OK || theirs.rc != SQLITE_OK || mine.feed.refused || theirs.feed.refused)
            throw NotReproduced();
        if (theirs.chunks > 0)
            mine.table->merge(*theirs.table);
        m_chunksRead = mine.chunks + theirs.chunks;
        return std::move(mine.table);
    }

    // A second connection reading the very same state of the file: both
    // begin to read while a lock keeps every writer out.
    struct Helper {
        std::optional<Connection> connection;
        Prepared ownAnchor;
        Prepared anchor; // on the caller's connection
    };

    // A statement left open after its first row: the connection goes on
    // reading the state of the file it began with. Null when that fails.
    Prepared heldRead(sqlite3* db) const
    {
        Prepared read = prepare(db, QStringLiteral("SELECT count(*) FROM sqlite_schema"));
        const int rc = sqlite3_step(read.get());
        if (db == m_db)
            check(rc);
        return rc == SQLITE_ROW ? std::move(read) : Prepared();
    }

    std::optional<Helper> openHelper() const
    {
        if (!sqlite3_get_autocommit(m_db))
            return std::nullopt; // its own uncommitted rows are visible only to it
        for (sqlite3_stmt* s = sqlite3_next_stmt(m_db, nullptr); s; s = sqlite3_next_stmt(m_db, s)) {
            if (sqlite3_stmt_busy(s))
                return std::nullopt; // it reads an older state already
        }
        const char* file = sqlite3_db_filename(m_db, "main");
        if (!file || !*file)
            return std::nullopt;
        sqlite3* writer = nullptr;
        const int opened = sqlite3_open_v2(file, &writer, SQLITE_OPEN_READWRITE, nullptr);
        const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(writer, sqlite3_close_v2);
        if (opened != SQLITE_OK)
            return std::nullopt;
        sqlite3_busy_timeout(writer, 250);
        if (sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            return std::nullopt;
        Helper helper;
        try {
            helper.connection.emplace(QFile::decodeName(file), OpenMode::ReadOnly, m_connection.nowSource());
        } catch (const Failure&) {
            return std::nullopt;
        }
        try {
            if (m_connection.fileHasMoved())
                return std::nullopt;
            helper.ownAnchor = heldRead(helper.connection->handle());
            helper.anchor = heldRead(m_db);
            if (!helper.ownAnchor || !helper.anchor)
                return std::nullopt;
        } catch (const NotReproduced&) {
            return std::nullopt;
        }
        sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
        return helper;
    }

    const Connection& m_connection;
    sqlite3* m_db;
    const Query& m_query;
    const QString& m_plainSql;
    std::vector<GroupTable::Collation> m_collations;
    std::vector<GroupTable::Use> m_uses;
    int m_chunksRead = 0;
};

namespace {

// The groups' rows in the plain query's order.
class Finisher {
public:
    Finisher(const GroupTable& table, const Query& query)
        : m_table(table)
        , m_query(query)
    {
        // The aggregates the ORDER BY sorts on, worked out once.
        m_sorted.reserve(table.size() * query.order.size());
        for (std::size_t g = 0; g < table.size(); ++g) {
            for (const Query::Order& term : query.order)
                m_sorted.push_back(term.value.isKey ? Value() : value(g, term.value));
        }
    }

    std::vector<std::vector<Value>> rows() const
    {
        std::vector<std::size_t> groups(m_table.size());
        std::iota(groups.begin(), groups.end(), std::size_t { 0 });
        // SQLite's sorter hands the groups out by their keys, each key in the
        // direction of the ORDER BY term at its place when both lists are
        // equally long; the ORDER BY then sorts them, keeping ties in that
        // order. Keys are unique, so one sort on both does it.
        const bool keysFollowOrder
            = m_query.order.size() == m_query.keys.size() && m_query.limit != Query::Limit::TiesPercent;
        std::sort(groups.begin(), groups.end(), [&](std::size_t a, std::size_t b) {
            if (const int order = compare(a, b))
                return order < 0;
            for (std::size_t k = 0; k < m_query.keys.size(); ++k) {
                int order = m_table.compareKeys(a, b, static_cast<int>(k));
                if (keysFollowOrder && m_query.order[k].descending)
                    order = -order;
                if (order != 0)
                    return order < 0;
            }
            return false;
        });

        std::size_t kept = groups.size();
        if (m_query.limit == Query::Limit::First) {
            kept = std::min<std::size_t>(kept, static_cast<std::size_t>(m_query.top));
        } else if (m_query.limit != Query::Limit::None) {
            // rank() <= n keeps every row tied with the n-th.
            long long within = m_query.top;
            if (m_query.limit == Query::Limit::TiesPercent)
                within = (static_cast<long long>(groups.size()) * m_query.top + 99) / 100;
            long long rank = 0;
            for (std::size_t i = 0; i < groups.size(); ++i) {
                if (i == 0 || compare(groups[i - 1], groups[i]) != 0)
                    rank = static_cast<long long>(i) + 1;
                if (rank > within) {
                    kept = i;
                    break;
                }
            }
        }
        std::vector<std::vector<Value>> rows;
        rows.reserve(kept);
        for (std::size_t i = 0; i < kept; ++i) {
            std::vector<Value>& row = rows.emplace_back();
            for (const Query::Value& output : m_query.outputs)
                row.push_back(value(groups[i], output));
        }
        return rows;
    }

private:
    Value value(std::size_t group, const Query::Value& v) const
    {
        if (v.isKey)
            return m_table.key(group, v.index);
        const Query::Computed& computed = m_query.computed[static_cast<std::size_t>(v.index)];
        switch (computed.kind) {
        case Query::Aggregate::CountRows:
            return Value(m_table.rows(group));
        case Query::Aggregate::Count:
            return Value(m_table.count(group, computed.argument));
        case Query::Aggregate::Sum:
            return m_table.sum(group, computed.argument);
        case Query::Aggregate::Average:
            return m_table.average(group, computed.argument);
        }
        return Value();
    }

    int compare(std::size_t a, std::size_t b) const
    {
        const std::size_t terms = m_query.order.size();
        for (std::size_t t = 0; t < terms; ++t) {
            const Query::Order& term = m_query.order[t];
            const int order = term.value.isKey
                ? m_table.compareKeys(a, b, term.value.index)
                : compareNumbers(m_sorted[a * terms + t], m_sorted[b * terms + t]);
            if (order != 0)
                return term.descending ? -order : order;
        }
        return 0;
    }

    const GroupTable& m_table;
    const Query& m_query;
    std::vector<Value> m_sorted;
};

} // namespace

GroupedScan::GroupedScan(const Connection& connection, jet::GroupedQuery query, QString plainSql, int columns,
    std::vector<const Connection*> earlierFiles)
    : m_connection(connection)
    , m_earlierFiles(std::move(earlierFiles))
    , m_query(std::move(query))
    , m_plainSql(std::move(plainSql))
    , m_columns(columns)
{
}

GroupedScan::~GroupedScan() = default;

GroupedScan::Step GroupedScan::next(std::vector<Value>& row)
{
    if (!m_started) {
        m_started = true;
        if (static_cast<int>(m_query.outputs.size()) != m_columns || m_query.keys.size() > GroupTable::MaxKeys
            || m_query.arguments.size() > GroupTable::MaxArguments) {
            m_supported = false;
        } else {
            try {
                const std::unique_ptr<GroupTable> table = Run(m_connection, m_query, m_plainSql).groups();
                if (!m_earlierFiles.empty()) {
                    for (const Connection* file : m_earlierFiles)
                        table->merge(*Run(*file, m_query, m_plainSql).groups());
                    // One file would have read the rows in another order:
                    // only groups that no order could change are the same.
                    if (table->spellingsDiffer() || table->sumsDependOnOrder() || table->mayOverflow())
                        throw NotReproduced();
                }
                m_rows = Finisher(*table, m_query).rows();
                ++g_completed;
            } catch (const NotReproduced&) {
                m_supported = false;
            }
        }
    }
    if (!m_supported)
        return Step::Unsupported;
    if (m_next >= m_rows.size())
        return Step::Done;
    row = std::move(m_rows[m_next++]);
    return Step::Row;
}

std::optional<bool> nextGroupedRow(std::unique_ptr<GroupedScan>& scan, std::vector<Value>& row)
{
    if (!scan)
        return std::nullopt;
    switch (scan->next(row)) {
    case GroupedScan::Step::Row:
        return true;
    case GroupedScan::Step::Done:
        return false;
    case GroupedScan::Step::Unsupported:
        break;
    }
    scan.reset();
    return std::nullopt;
}

void GroupedScan::tune(const Tuning& tuning)
{
    g_tuning = tuning;
}

long long GroupedScan::completedScans()
{
    return g_completed;
}

void registerGroupRowsFunction(sqlite3* db)
{
    auto* slot = new FeedSlot;
    // The aggregate owns the slot: SQLite frees it with the connection.
    sqlite3_create_function_v2(db, FunctionName, -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, slot, nullptr,
        groupRowsStep, groupRowsFinal, [](void* p) { delete static_cast<FeedSlot*>(p); });
    sqlite3_create_function_v2(db, SlotFunctionName, 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, slot, feedRowsTo,
        nullptr, nullptr, nullptr);
}

} // namespace corvane::platform::db
