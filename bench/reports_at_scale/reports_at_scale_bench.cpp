// The shipped aggregate reports over a month of one firewall (7,500,000
// rows) and over one day of it: the program's path (the Jet text through a
// result set, as corvane-query runs it) against plain SQLite running the
// same translated SQL on the same file, three runs each.
#include "base/report_definitions.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/grouped_scan.h"
#include "platform/db/result_set.h"
#include "platform/db/sqlite_query.h"
#include "reports/report_catalogue.h"
#include "scale_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>
#include <sqlite3.h>
#include <stdexcept>
#include <vector>

using namespace corvane;
using platform::db::Value;

namespace {

using Rows = std::vector<std::vector<Value>>;

// Every row of the translated SQL, read as SQLite hands it over.
Rows plainRows(const platform::db::Connection& connection, const platform::db::SqliteQuery& query)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = query.sql.toUtf8();
    if (sqlite3_prepare_v2(connection.handle(), sql.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(connection.handle()));
    const int columns = sqlite3_column_count(stmt) - query.hiddenTrailingColumns;
    Rows rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<Value>& row = rows.emplace_back();
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt, c)));
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(stmt, c));
                break;
            case SQLITE_NULL:
                row.emplace_back();
                break;
            default:
                row.emplace_back(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)),
                        sqlite3_column_bytes(stmt, c)));
            }
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw std::runtime_error("plain query failed");
    return rows;
}

// SQLite reading the columns a grouped query reads, every row, without
// grouping them: what any reading through SQLite's rows costs over the
// month, whose date range every row passes. Our path reads on two
// connections, so half of this bounds its time from below.
QString readingOnlySql(const platform::jet::GroupedQuery& query)
{
    QStringList counts;
    for (const auto* columns : { &query.keys, &query.arguments }) {
        for (const platform::jet::GroupedQuery::Column& column : *columns)
            counts << QStringLiteral("count(%1)").arg(platform::db::quoteIdentifier(column.name));
    }
    return QStringLiteral("SELECT ") + counts.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
        + platform::db::quoteIdentifier(query.table);
}

// Brings the whole file into the system's cache, so the first run pays no
// more than the others.
void readThrough(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.read(1 << 20).isEmpty()) { }
}

struct Range {
    const char* name;
    QString from;
    QString to;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    try {
        const bench::MonthShape shape;
        const QString path = bench::monthFile(QStringLiteral(CORVANE_BENCH_DATA), shape);
        readThrough(path);
        const platform::db::DatabaseEngine engine;
        ReportCatalogue catalogue(engine, path, platform::db::OpenMode::ReadOnly);
        const platform::db::Connection connection = engine.open(path, platform::db::OpenMode::ReadOnly);
        const Range ranges[] = {
            { "month", bench::filterDate(shape.year, shape.month, 1),
                bench::filterDate(shape.year, shape.month, 30, "23:59:59") },
            { "one day", bench::filterDate(shape.year, shape.month, 15),
                bench::filterDate(shape.year, shape.month, 15, "23:59:59") },
        };
        for (const Range& range : ranges) {
            for (const ReportDefinition& report : shippedReports()) {
                if (!report.sql.contains(QLatin1String("GROUP BY")))
                    continue;
                catalogue.pick(report.name);
                FilterTexts texts;
                texts[0] = range.from;
                texts[1] = range.to;
                const QString jet = catalogue.queryFor(texts);
                const platform::db::SqliteQuery translated = platform::db::toSqliteQuery(connection, jet);
                const long long grouped = platform::db::GroupedScan::completedScans();
                Rows ours;
                Rows theirs;
                const auto [program, plain] = bench::timeThreeInTurn(
                    [&] {
                        ours = platform::db::ResultSet(connection, jet, platform::db::QueryAccess::ReadOnly)
                                   .rows();
                    },
                    [&] { theirs = plainRows(connection, translated); });
                const bool fast = platform::db::GroupedScan::completedScans() - grouped == 3;
                std::printf("%s, %s: corvane %s, plain SQLite %s, ratio %.1fx (goal >= %s); %zu rows, %s%s\n",
                    qPrintable(report.name), range.name, qPrintable(bench::secondsText(program)),
                    qPrintable(bench::secondsText(plain)), plain.median / program.median,
                    range.name == ranges[0].name ? "10x" : "1x", ours.size(),
                    ours == theirs ? "the same" : "DIFFERENT FROM PLAIN SQLITE",
                    fast ? "" : ", NOT GROUPED BY CORVANE");
                if (range.name == ranges[0].name && translated.grouped) {
                    const QString reading = readingOnlySql(*translated.grouped);
                    const bench::Timing once = bench::timeThree(
                        [&] { plainRows(connection, platform::db::SqliteQuery(reading)); });
                    std::printf("  SQLite only reading those columns of every row: %s on one core; "
                                "on two, the ratio could be at most %.1fx\n",
                        qPrintable(bench::secondsText(once)), plain.median / (once.median / 2));
                }
                std::fflush(stdout);
            }
        }
        std::printf("goal: Top 10 Sources over the month in 2 s or less\n");
    } catch (const std::exception& e) { // Failure's what() holds its number and wording
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
