// Mutated query texts through the real database layer: each either runs or
// fails with a numbered error, and no read-only query changes the database.
#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure.h"
#include "program_folder.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

namespace {

using corvane::platform::Failure;
using corvane::platform::db::Connection;
using corvane::platform::db::ResultSet;

// The shared dialect cases, which include the program's own queries, and
// every report template the new database ships, as stored and filled in.
QStringList corpus(const Connection& connection)
{
    QStringList queries;
    const ResultSet reports(connection, QStringLiteral("SELECT SQL0 FROM Report"));
    for (const auto& row : reports.rows()) {
        const QString stored = row[0].toText();
        queries << stored
                << QString(stored)
                       .replace(QLatin1String("filter1"), QLatin1String("12/1/2026 0:0:0"))
                       .replace(QLatin1String("filter2"), QLatin1String("12/31/2026 23:59:59"))
                       .replace(QLatin1String("filter3"), QLatin1String("192.0.2.*"))
                       .replace(QLatin1String("filter4"), QLatin1String("*"));
    }
    QFile cases(QStringLiteral(CORVANE_TEST_DATA "/jet-sql-cases.tsv"));
    EXPECT_TRUE(cases.open(QIODevice::ReadOnly | QIODevice::Text));
    cases.readLine(); // heading
    while (!cases.atEnd()) {
        const QStringList cells = QString::fromUtf8(cases.readLine()).split(QLatin1Char('\t'));
        if (cells.size() > 1 && !cells[1].startsWith(QLatin1String("append:")))
            queries << cells[1];
    }
    return queries;
}

// Pieces that stress every stage: quoting, dates, nesting, writes, stacking;
// "|" parts them.
const QStringList Fragments = QString::fromUtf8(
    "(|)|'|\"|#|[|]|,|;|*|&|+|-|/|=|<>|=>|=<| SELECT | FROM | WHERE | GROUP BY | HAVING |"
    " ORDER BY | TOP 0 | TOP 3 PERCENT | UNION | DISTINCT | Like '*a?[!b-c]#' | Is Null |"
    " Between 1 And | In (1,'a',Null) | #2/30/2026# | #13/13/2026 25:61# | #12/5/2026# |"
    " Null | True | 1/0 | 9e999 | IIf(| Nz(| Format(| DateAdd('m', 1, | Mid(| Sum(|"
    " Count(*) | [no such] |; DROP TABLE syslog| INTO newtable |"
    " INSERT INTO syslog SELECT * FROM syslog| DELETE FROM Report |"
    " UPDATE Report SET [Report Name]='x' | PRAGMA writable_schema=1 | ATTACH 'x.db' AS x |"
    " AS [a b] | -- | /* |\\|\n|\t|\xc3\xa9|%|_")
                                  .split(QLatin1Char('|'));

// One to four edits: insert a fragment, delete a run, cut short, or repeat a run.
QString mutate(QString text, std::mt19937& random)
{
    auto upTo = [&](qsizetype n) { return std::uniform_int_distribution<qsizetype>(0, n)(random); };
    for (qsizetype step = upTo(3); step >= 0; --step) {
        const qsizetype at = upTo(text.size());
        switch (upTo(3)) {
        case 0:
            text.insert(at, Fragments[upTo(Fragments.size() - 1)]);
            break;
        case 1:
            text.remove(at, 1 + upTo(7));
            break;
        case 2:
            text.truncate(at);
            break;
        default:
            text.insert(upTo(text.size()), text.mid(at, 1 + upTo(11)));
        }
    }
    return text;
}

TEST(QueryCorpus, EveryMutatedQueryRunsOrFailsWithANumber)
{
    corvane::testing::ProgramFolder folder;
    Connection connection(folder.databasePath());
    connection.execute(QStringLiteral(
        "INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd], [action=]) VALUES "
        "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100, 'Permit'), "
        "('Untrust', 'a''b', '2026-12-05 15:04:06', 25.5, 'Deny'), ('0', NULL, '\"2005-03-16 16:33:2', NULL, "
        "'')"));
    // Rows written through this connection, and the schema's version: a
    // query that changed either got past the read-only guard.
    auto changes = [&] {
        const ResultSet schema
            = ResultSet::fromSqlite(connection, { QStringLiteral("PRAGMA schema_version"), 0 });
        return std::pair(sqlite3_total_changes64(connection.handle()), schema.value(0).toInt64());
    };
    const auto before = changes();

    const QStringList queries = corpus(connection);
    ASSERT_GT(queries.size(), 56);
    std::mt19937 random(20261206);
    int ran = 0;
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        const QString text
            = round < queries.size() ? queries[round] : mutate(queries[random() % queries.size()], random);
        SCOPED_TRACE(text.toStdString());
        try {
            const ResultSet rows(connection, text, corvane::platform::db::QueryAccess::ReadOnly);
            ++ran;
        } catch (const Failure& failure) {
            ++refused;
            // Constructs the dialect layer refuses on purpose carry number 0.
            if (!failure.description().startsWith(QLatin1String("Not supported by this program"))) {
                EXPECT_GT(failure.number(), 0) << failure.description().toStdString();
            }
            EXPECT_FALSE(failure.description().trimmed().isEmpty());
        }
    }
    // Both outcomes occur, or the mutations tested nothing.
    EXPECT_GT(ran, 100);
    EXPECT_GT(refused, 100);
    EXPECT_EQ(changes(), before);
}

} // namespace
