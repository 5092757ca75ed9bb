// Translations run on the fixture database: every dialect function in every
// position, and the shared Jet SQL cases, each translated with the fixture's
// clock and schema, then its RESULT checked on the fixture rows with the real
// jet_* functions, or its ERROR against the failure raised.
#include "fixture_database.h"
#include "platform/failure/failure.h"
#include "platform/jet/translator/dialect_functions.h"
#include "platform/jet/translator/translator.h"
#include "qstring_printer.h"

#include <QFile>
#include <QRegularExpression>
#include <QVariant>
#include <gtest/gtest.h>
#include <vector>

namespace corvane::platform::jet {
namespace {

// A function named like a keyword (Left, Right) is still a call wherever an
// expression stands, and the join words still join.
TEST(JetFunctions, EveryFunctionIsACallInEveryPosition)
{
    const struct {
        const char* position;
        const char* scalar;
        const char* aggregate; // aggregates are refused in WHERE and GROUP BY
    } positions[] = {
        { "select list", "SELECT %1 AS v FROM syslog", "SELECT %1 AS v FROM syslog" },
        { "WHERE", "SELECT logno FROM syslog WHERE %1 IS NULL",
            "SELECT [src=] FROM syslog GROUP BY [src=] HAVING %1 IS NULL" },
        { "GROUP BY", "SELECT %1 AS v FROM syslog GROUP BY %1",
            "SELECT [src=], %1 AS v FROM syslog GROUP BY [src=]" },
        { "ORDER BY", "SELECT logno FROM syslog ORDER BY %1",
            "SELECT [src=] FROM syslog GROUP BY [src=] ORDER BY %1" },
    };
    FixtureDatabase db;
    const TranslateOptions options { fixtureClock(), &db.schema() };
    // Empty when the translation holds the call and prepares, else what went wrong;
    // the arguments may well fail at run time.
    const auto problem = [&](const QString& jet, const char* call) -> std::string {
        try {
            const QString sql = translate(jet, options).sql;
            if (!sql.contains(QLatin1String(call)))
                return "no " + std::string(call) + " in " + sql.toStdString();
            const FixtureDatabase::Result result = db.run(sql);
            return result.prepared ? "" : result.error.toStdString();
        } catch (const Failure& failure) {
            return std::to_string(failure.number()) + " " + failure.description().toStdString();
        }
    };
    for (const DialectFunction& function : dialectFunctions()) {
        QStringList args;
        for (int i = 0; i < function.minArgs; ++i)
            args << (i == 0 ? QStringLiteral("[src=]") : QStringLiteral("1"));
        const QString call = QStringLiteral("%1(%2)").arg(
            QString::fromLatin1(function.name).toUpper(), args.join(QStringLiteral(", ")));
        const bool aggregate = function.form == DialectFunction::Form::Aggregate;
        for (const auto& p : positions) {
            const QString jet = QString::fromUtf8(aggregate ? p.aggregate : p.scalar).arg(call);
            EXPECT_EQ(problem(jet, function.sql), "") << jet.toStdString();
        }
    }
    const char* const joins[] = {
        "SELECT s.logno FROM syslog AS s LEFT JOIN syslog AS t ON Left(s.[src=], 7) = Left(t.[src=], 7)",
        "SELECT s.logno FROM syslog AS s RIGHT OUTER JOIN syslog AS t ON Right(s.[src=], 2) = t.[src=]",
        "SELECT s.logno FROM syslog AS s LEFT OUTER JOIN syslog AS t ON s.logno = t.logno",
        "SELECT s.logno FROM syslog s INNER JOIN syslog t ON s.logno = t.logno WHERE Right(t.[src=], 1) = "
        "'1'",
    };
    for (const char* jet : joins)
        EXPECT_EQ(problem(QString::fromUtf8(jet), ""), "") << jet;
}

// The shared cases, one a line of jet-sql-cases.tsv.
struct SharedCase {
    QString id;
    QString input;
    QString expected;
    bool inOrder = false; // RESULT lists the rows in the one order the query allows
};

std::vector<SharedCase> loadCases()
{
    // Without the file no case runs, which GoogleTest reports as a failure.
    QFile file(QStringLiteral(CORVANE_TEST_DATA "/jet-sql-cases.tsv"));
    std::vector<SharedCase> cases;
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).mid(1)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 4 && !fields[0].isEmpty())
            cases.push_back({ fields[0], fields[1], fields[2], fields[3] == QLatin1String("yes") });
    }
    return cases;
}

// One field of the expected column "SQL: ... | HIDDEN_TRAILING_COLUMNS: n | RESULT: ... | ERROR: ...".
QString field(const QString& expected, const QString& name)
{
    for (const QString& part : expected.split(QStringLiteral(" | "))) {
        if (part.trimmed().startsWith(name + QLatin1Char(':')))
            return part.trimmed().mid(name.size() + 1).trimmed();
    }
    return {};
}

// A cell as the RESULT column writes it: NULL, a number or a 'quoted' text.
QString notation(const QVariant& cell)
{
    if (cell.isNull())
        return QStringLiteral("NULL");
    if (cell.typeId() == QMetaType::LongLong || cell.typeId() == QMetaType::Double)
        return QString::number(cell.toDouble(), 'g', 17);
    return QLatin1Char('\'') + cell.toString().replace(QLatin1Char('\''), QStringLiteral("''"))
        + QLatin1Char('\'');
}

// An expected value in the same notation; bare words are texts, "150.0" is 150.
QString normalized(const QString& value)
{
    bool number = false;
    const double d = value.toDouble(&number);
    if (number)
        return QString::number(d, 'g', 17);
    if (value == QLatin1String("NULL") || value.startsWith(QLatin1Char('\'')))
        return value;
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// Each expected cell lists its alternatives: "Trust or trust", "'Trust' (or 'trust')".
using ExpectedRow = std::vector<QStringList>;

ExpectedRow readRow(const QString& text)
{
    static const QRegularExpression alternative(QStringLiteral(R"(\s+\(?or\s+|\)$)"));
    ExpectedRow row;
    for (const QString& cell : text.split(QLatin1Char(','))) {
        QStringList alternatives;
        for (const QString& value : cell.trimmed().split(alternative, Qt::SkipEmptyParts))
            alternatives << normalized(value);
        row.push_back(alternatives);
    }
    return row;
}

bool matches(const ExpectedRow& expected, const QStringList& row)
{
    return std::equal(expected.begin(), expected.end(), row.begin(), row.end(),
        [](const QStringList& alternatives, const QString& cell) { return alternatives.contains(cell); });
}

// What a RESULT says about the rows: "(a, b), (c, d)" tuples, "a, b" rows of
// one value, "logno 1,2" values of one named column, "n rows: ..." (n as
// listed), "n arbitrary rows", "(none)" and "(translation only)"; remarks after " ; ".
struct ExpectedRows {
    bool translationOnly = false;
    int count = 0; // rows listed, or arbitrary
    QString column;
    std::vector<ExpectedRow> rows;
    bool anyOrder = false;
};

ExpectedRows readRows(QString text)
{
    ExpectedRows e;
    text = text.section(QStringLiteral(" ; "), 0, 0).trimmed();
    e.translationOnly = text == QLatin1String("(translation only)");
    if (e.translationOnly || text == QLatin1String("(none)")) {
        e.count = 0;
        return e;
    }
    static const QRegularExpression arbitrary(QStringLiteral(R"(^(\d+) arbitrary rows$)"));
    if (const auto m = arbitrary.match(text); m.hasMatch()) {
        e.count = m.captured(1).toInt();
        e.anyOrder = true;
        return e;
    }
    text.remove(QRegularExpression(QStringLiteral(R"(^\d+ rows: )")));
    static const QRegularExpression columnForm(QStringLiteral(R"(^([A-Za-z_]\w*) (\d.*)$)"));
    if (const auto m = columnForm.match(text); m.hasMatch()) {
        e.column = m.captured(1);
        // "3 (Untrust), then 1 and 2 (tie)": remarks dropped, words as commas.
        text = m.captured(2).remove(QRegularExpression(QStringLiteral(R"(\([^)]*\))")));
        text.replace(QRegularExpression(QStringLiteral(R"(\b(then|and)\b)")), QStringLiteral(","));
    }
    if (!text.startsWith(QLatin1Char('('))) {
        const QStringList values
            = text.split(QRegularExpression(QStringLiteral(R"(\s*,[\s,]*)")), Qt::SkipEmptyParts);
        text = QLatin1Char('(') + values.join(QStringLiteral("), (")) + QLatin1Char(')');
    }
    for (const QString& tuple :
        text.mid(1, text.size() - 2).split(QRegularExpression(QStringLiteral(R"(\)\s*,\s*\()"))))
        e.rows.push_back(readRow(tuple));
    e.count = static_cast<int>(e.rows.size());
    return e;
}

std::string show(const std::vector<QStringList>& rows)
{
    QStringList out;
    for (const QStringList& row : rows)
        out << QLatin1Char('(') + row.join(QStringLiteral(", ")) + QLatin1Char(')');
    return out.join(QStringLiteral(", ")).toStdString();
}

void checkRows(const ExpectedRows& expected, const FixtureDatabase::Result& result, int hidden, bool ordered)
{
    const qsizetype at = expected.column.isEmpty() ? -1 : result.columns.indexOf(expected.column);
    ASSERT_TRUE(expected.column.isEmpty() || at >= 0) << "no column " << expected.column.toStdString();
    std::vector<QStringList> actual; // without the hidden columns, or the named column alone
    for (const auto& row : result.rows) {
        QStringList cells;
        for (std::size_t i = 0; i + std::size_t(hidden) < row.size(); ++i) {
            if (at < 0 || qsizetype(i) == at)
                cells << notation(row[i]);
        }
        actual.push_back(cells);
    }
    ASSERT_EQ(static_cast<int>(actual.size()), expected.count) << show(actual);
    // Tied or unordered rows: each expected row must meet a row of its own.
    const bool inOrder = ordered && !expected.anyOrder;
    std::vector<bool> used(actual.size(), false);
    for (std::size_t k = 0; k < expected.rows.size(); ++k) {
        bool found = false;
        for (std::size_t i = 0; i < actual.size() && !found; ++i) {
            if (!used[i] && (!inOrder || i == k) && matches(expected.rows[k], actual[i]))
                used[i] = found = true;
        }
        EXPECT_TRUE(found) << "row " << k << " not in " << show(actual);
    }
}

// "3075 Syntax error ..." (some of Jet's messages without their final
// period), or "not supported: ..." for a refusal of ours, numbered 0.
void checkError(const QString& expected, const Failure& failure)
{
    const QString shown = QString::number(failure.number()) + QLatin1Char(' ') + failure.description();
    if (expected.startsWith(QLatin1String("not supported: "))) {
        EXPECT_TRUE(
            shown.startsWith(QLatin1String("0 ")) && shown.contains(expected.mid(15), Qt::CaseInsensitive))
            << shown.toStdString();
    } else {
        EXPECT_TRUE(shown == expected || shown == expected + QLatin1Char('.')) << shown.toStdString();
    }
}

// The append path keeps a stamp that is no date verbatim; every date
// function then reads it as Null. A stamp damaged as relays damage it (a
// leading quote or backslash) sorts before every date; one that only looks
// like a date (month 13) still sorts among them as text.
void checkAppend(const QString& input, FixtureDatabase& db)
{
    static const QRegularExpression append(QStringLiteral(R"(^append: \[(.+)\] := '(.*)'$)"));
    const auto m = append.match(input);
    ASSERT_TRUE(m.hasMatch()) << "unknown append form";
    const auto run = [&](const char* jet) {
        return db.run(
            translate(QString::fromLatin1(jet).arg(m.captured(1)), { fixtureClock(), &db.schema() }).sql);
    };
    db.exec(QStringLiteral("INSERT INTO syslog (logno, [%1]) VALUES (6, '%2')")
                .arg(m.captured(1), m.captured(2)));
    const auto stored = run("SELECT [%1], Year([%1]) FROM syslog WHERE logno = 6");
    ASSERT_EQ(stored.rows.size(), 1u) << stored.error.toStdString();
    EXPECT_EQ(stored.rows[0][0].toString(), m.captured(2));
    EXPECT_TRUE(stored.rows[0][1].isNull());
    db.exec(QStringLiteral("INSERT INTO syslog (logno, [%1]) VALUES (7, '\\\"2005-03-16 16:33:2')")
                .arg(m.captured(1)));
    for (const auto& row :
        run("SELECT logno FROM syslog WHERE [%1] BETWEEN #1/1/100# AND #12/31/9999 23:59:59#").rows)
        EXPECT_NE(row[0].toLongLong(), 7);
}

class SharedJetCase : public ::testing::TestWithParam<SharedCase> { };

TEST_P(SharedJetCase, HoldsOnTheFixture)
{
    const SharedCase& c = GetParam();
    SCOPED_TRACE(c.input.toStdString());
    FixtureDatabase db;
    if (c.input.startsWith(QLatin1String("append:")))
        return checkAppend(c.input, db);

    const bool hasSql = c.expected.startsWith(QLatin1String("SQL:"));
    const QString error = field(c.expected, QStringLiteral("ERROR"));
    Translation translation;
    try {
        translation = translate(c.input, { fixtureClock(), &db.schema() });
    } catch (const Failure& failure) {
        ASSERT_FALSE(hasSql) << "translation failed: " << failure.description().toStdString();
        ASSERT_FALSE(error.isEmpty()) << "unexpected failure " << failure.description().toStdString();
        return checkError(error, failure);
    }
    ASSERT_TRUE(hasSql) << "translated, though Jet refuses it: " << translation.sql.toStdString();
    SCOPED_TRACE(translation.sql.toStdString());
    EXPECT_EQ(translation.hiddenTrailingColumns,
        field(c.expected, QStringLiteral("HIDDEN_TRAILING_COLUMNS")).toInt());

    const FixtureDatabase::Result result = db.run(translation.sql);
    if (error.startsWith(QLatin1String("runtime: "))) {
        ASSERT_TRUE(result.prepared) << result.error.toStdString();
        EXPECT_EQ(result.error, error.mid(9));
        return;
    }
    const ExpectedRows rows = readRows(field(c.expected, QStringLiteral("RESULT")));
    if (rows.translationOnly) {
        // The fixture lacks the table; SQLite may only object to the name.
        if (!result.prepared) {
            EXPECT_TRUE(result.error.startsWith(QLatin1String("no such"))) << result.error.toStdString();
        }
        return;
    }
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    checkRows(rows, result, translation.hiddenTrailingColumns, c.inOrder);
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedJetCase, ::testing::ValuesIn(loadCases()),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return info.param.id.toStdString(); });

} // namespace
} // namespace corvane::platform::jet
