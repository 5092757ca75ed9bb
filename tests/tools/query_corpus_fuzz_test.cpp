// Mutated query texts through the real database layer: each either runs or
// fails with a numbered error, and no read-only query changes the file.
#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure.h"
#include "program_folder.h"
#include "report_definitions.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <random>

namespace {

using corvane::platform::Failure;
using corvane::platform::db::Connection;
using corvane::platform::db::QueryAccess;
using corvane::platform::db::ResultSet;

// The program's own queries, the shipped templates and the shared dialect cases.
QStringList corpus()
{
    QStringList queries{
        QStringLiteral("SELECT TOP 500 * FROM syslog ORDER BY [logno] desc"),
        QStringLiteral("SELECT [src zone=], Sum([sent+rcvd]) AS Total FROM syslog WHERE [start_time=] >= "
                       "#12/5/2026 3:04:05 PM# And [start_time=] <= #12/6/2026 3:04:05 PM# GROUP BY [src zone=]"),
        QStringLiteral("SELECT * FROM Report WHERE [Report Name]='Members'' Club'"),
    };
    for (const auto& report : corvane::newdb::shippedReports()) {
        QString sql = report.sql;
        sql.replace(QStringLiteral("filter1"), QStringLiteral("12/1/2026"));
        sql.replace(QStringLiteral("filter2"), QStringLiteral("12/31/2026 13:4:9"));
        for (int n = 3; n <= 9; ++n)
            sql.replace(QStringLiteral("filter%1").arg(n), QStringLiteral("Trust"));
        queries << sql;
    }
    QFile cases(QStringLiteral(CORVANE_SHARED_DIR "/jet-sql-cases.tsv"));
    if (cases.open(QIODevice::ReadOnly | QIODevice::Text)) {
        cases.readLine(); // heading
        while (!cases.atEnd()) {
            const QStringList cells = QString::fromUtf8(cases.readLine()).split(QLatin1Char('\t'));
            if (cells.size() > 1 && !cells[1].startsWith(QLatin1String("append:")))
                queries << cells[1];
        }
    }
    return queries;
}

// Pieces that stress every stage: quoting, dates, nesting, writes, stacking.
const char* const Fragments[] = {
    "(", ")", "'", "\"", "#", "[", "]", ",", ";", "*", "&", "+", "-", "/", "=", "<>", "=>", "=<",
    " SELECT ", " FROM ", " WHERE ", " GROUP BY ", " HAVING ", " ORDER BY ", " TOP 0 ", " TOP 3 PERCENT ",
    " UNION ", " DISTINCT ", " Like '*a?[!b-c]#' ", " Is Null ", " Between 1 And ", " In (1,'a',Null) ",
    " #2/30/2026# ", " #13/13/2026 25:61# ", " #12/5/2026# ", " Null ", " True ", " 1/0 ", " 9e999 ",
    " IIf(", " Nz(", " Format(", " DateAdd('m', 1, ", " Mid(", " Sum(", " Count(*) ", " [no such] ",
    "; DROP TABLE syslog", " INTO newtable ", " INSERT INTO syslog SELECT * FROM syslog", " DELETE FROM Report ",
    " UPDATE Report SET [Report Name]='x' ", " PRAGMA writable_schema=1 ", " ATTACH 'x.db' AS x ",
    " AS [a b] ", " -- ", " /* ", "\\", "\n", "\t", "\xc3\xa9", "%", "_",
};

QString mutate(QString text, std::mt19937& random)
{
    const int steps = std::uniform_int_distribution<int>(1, 4)(random);
    for (int step = 0; step < steps; ++step) {
        const int at = text.isEmpty() ? 0 : std::uniform_int_distribution<int>(0, static_cast<int>(text.size()))(random);
        switch (std::uniform_int_distribution<int>(0, 3)(random)) {
        case 0: // insert a fragment
            text.insert(at, QString::fromUtf8(Fragments[random() % std::size(Fragments)]));
            break;
        case 1: // delete a run
            text.remove(at, std::uniform_int_distribution<int>(1, 8)(random));
            break;
        case 2: // cut short
            text.truncate(at);
            break;
        default: // repeat a run elsewhere
            text.insert(std::uniform_int_distribution<int>(0, static_cast<int>(text.size()))(random),
                        text.mid(at, std::uniform_int_distribution<int>(1, 12)(random)));
        }
    }
    return text;
}

QString snapshot(const Connection& connection)
{
    QString out;
    for (const char* query : {"SELECT * FROM syslog ORDER BY logno", "SELECT * FROM Report", "SELECT * FROM missed",
                              "SELECT name, sql FROM sqlite_schema ORDER BY name"}) {
        const ResultSet rows = ResultSet::fromSqlite(connection, {QString::fromLatin1(query), 0});
        for (const auto& row : rows.rows()) {
            for (const auto& value : row)
                out += value.displayText() + QLatin1Char('\x1f');
            out += QLatin1Char('\n');
        }
    }
    return out;
}

TEST(QueryCorpus, EveryMutatedQueryRunsOrFailsWithANumber)
{
    corvane::testing::ProgramFolder folder;
    Connection connection(folder.databasePath());
    connection.execute(QStringLiteral(
        "INSERT INTO syslog ([src zone=], [src=], [start_time=], [sent+rcvd], [action=]) VALUES "
        "('Trust', '192.0.2.1', '2026-12-04 15:04:05', 100, 'Permit'), "
        "('Untrust', 'a''b', '2026-12-05 15:04:06', 25.5, 'Deny'), ('0', NULL, '\"2005-03-16 16:33:2', NULL, '')"));
    const QString before = snapshot(connection);

    const QStringList queries = corpus();
    ASSERT_GT(queries.size(), 40);
    std::mt19937 random(20261206);
    int ran = 0;
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        const QString text = round < queries.size() ? queries[round] : mutate(queries[random() % queries.size()], random);
        SCOPED_TRACE(text.toStdString());
        try {
            const ResultSet rows(connection, text, QueryAccess::ReadOnly);
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
    EXPECT_EQ(snapshot(connection), before);
}

} // namespace
