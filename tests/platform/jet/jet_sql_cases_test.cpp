// Runs the shared Jet SQL cases: each input is translated with the fixture's
// clock and schema, then its RESULT is checked on the fixture rows with the
// real jet_* functions, or its ERROR against the failure raised.
#include "jet_fixture.h"
#include "platform/failure/failure.h"
#include "platform/jet/jet_parser.h"
#include "platform/jet/jet_translator.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace corvane::platform;
using namespace corvane::platform::jet;
using namespace corvane::platform::jet::testing;

namespace {

struct SharedCase {
    QString id;
    QString input;
    QString expected;
};

std::vector<SharedCase> loadCases()
{
    std::vector<SharedCase> cases;
    QFile file(QStringLiteral(CORVANE_TEST_DATA "/jet-sql-cases.tsv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return { { QStringLiteral("missing_file"), QString(), QString() } };
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    in.readLine(); // heading
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(QLatin1Char('\t'));
        if (fields.size() >= 3 && !fields[0].isEmpty())
            cases.push_back({ fields[0], fields[1], fields[2] });
    }
    return cases;
}

// The expected column: "SQL: ... | HIDDEN_TRAILING_COLUMNS: n | RESULT: ... | ERROR: ...".
struct Expectation {
    bool hasSql = false;
    int hidden = 0;
    QString result;
    QString error;
};

Expectation readExpectation(const QString& text)
{
    Expectation e;
    for (const QString& part : text.split(QStringLiteral(" | "))) {
        const QString field = part.trimmed();
        if (field.startsWith(QLatin1String("SQL:")))
            e.hasSql = true;
        else if (field.startsWith(QLatin1String("HIDDEN_TRAILING_COLUMNS:")))
            e.hidden = field.mid(24).trimmed().toInt();
        else if (field.startsWith(QLatin1String("RESULT:")))
            e.result = field.mid(7).trimmed();
        else if (field.startsWith(QLatin1String("ERROR:")))
            e.error = field.mid(6).trimmed();
    }
    return e;
}

// One expected cell: any of its alternatives ("Trust or trust").
struct Atom {
    enum class Kind { Null, Number, Text } kind = Kind::Null;
    double number = 0;
    QString text;
};
using Alternatives = std::vector<Atom>;
using ExpectedRow = std::vector<Alternatives>;

bool matches(const Atom& atom, const QVariant& cell)
{
    switch (atom.kind) {
    case Atom::Kind::Null:
        return cell.isNull();
    case Atom::Kind::Number:
        return !cell.isNull() && (cell.typeId() == QMetaType::LongLong || cell.typeId() == QMetaType::Double)
            && cell.toDouble() == atom.number;
    case Atom::Kind::Text:
        return !cell.isNull() && cell.typeId() == QMetaType::QString && cell.toString() == atom.text;
    }
    return false;
}

bool matches(const ExpectedRow& expected, const std::vector<QVariant>& row)
{
    if (expected.size() != row.size())
        return false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        bool any = false;
        for (const Atom& atom : expected[i])
            any = any || matches(atom, row[i]);
        if (!any)
            return false;
    }
    return true;
}

// Reads the notation of the RESULT column: (a, b), (c, d) tuples, bare
// values, 'quoted' texts, NULL, "x or y" and "x (or y)" alternatives.
class ValueList {
public:
    explicit ValueList(const QString& text)
    {
        static const QRegularExpression token(QStringLiteral(R"('(?:[^']|'')*'|[(),]|[^\s(),']+)"));
        auto it = token.globalMatch(text);
        while (it.hasNext())
            m_tokens << it.next().captured(0);
    }

    std::vector<ExpectedRow> rows()
    {
        std::vector<ExpectedRow> out;
        while (m_pos < m_tokens.size()) {
            if (peek() == QLatin1String("(")) {
                ++m_pos;
                ExpectedRow row;
                row.push_back(alternatives());
                while (peek() == QLatin1String(",")) {
                    ++m_pos;
                    row.push_back(alternatives());
                }
                ++m_pos; // )
                out.push_back(row);
            } else {
                out.push_back({ alternatives() });
            }
            if (peek() == QLatin1String(","))
                ++m_pos;
        }
        return out;
    }

private:
    QString peek() const { return m_pos < m_tokens.size() ? m_tokens[m_pos] : QString(); }

    Alternatives alternatives()
    {
        Alternatives alts { atom() };
        for (;;) {
            if (peek() == QLatin1String("or")) {
                ++m_pos;
                alts.push_back(atom());
            } else if (peek() == QLatin1String("(") && m_pos + 1 < m_tokens.size()
                && m_tokens[m_pos + 1] == QLatin1String("or")) {
                m_pos += 2;
                alts.push_back(atom());
                ++m_pos; // )
            } else {
                return alts;
            }
        }
    }

    Atom atom()
    {
        const QString t = m_tokens.value(m_pos++);
        Atom a;
        if (t == QLatin1String("NULL"))
            return a;
        if (t.startsWith(QLatin1Char('\''))) {
            a.kind = Atom::Kind::Text;
            a.text = t.mid(1, t.size() - 2).replace(QStringLiteral("''"), QStringLiteral("'"));
            return a;
        }
        bool ok = false;
        a.number = t.toDouble(&ok);
        a.kind = ok ? Atom::Kind::Number : Atom::Kind::Text;
        a.text = t;
        return a;
    }

    QStringList m_tokens;
    qsizetype m_pos = 0;
};

// What a RESULT says about the rows.
struct ExpectedRows {
    bool translationOnly = false;
    int count = -1; // -1: as many as the rows listed
    QString column; // "logno 1,2": values of one named column
    std::vector<ExpectedRow> rows;
    bool anyOrder = false;
};

ExpectedRows readRows(QString text)
{
    ExpectedRows e;
    text = text.section(QStringLiteral(" ; "), 0, 0).trimmed(); // remarks after " ; "
    if (text == QLatin1String("(translation only)")) {
        e.translationOnly = true;
        return e;
    }
    if (text == QLatin1String("(none)")) {
        e.count = 0;
        return e;
    }
    static const QRegularExpression arbitrary(QStringLiteral(R"(^(\d+) arbitrary rows$)"));
    if (const auto m = arbitrary.match(text); m.hasMatch()) {
        e.count = m.captured(1).toInt();
        e.anyOrder = true;
        return e;
    }
    static const QRegularExpression counted(QStringLiteral(R"(^(\d+) rows: (.*)$)"));
    if (const auto m = counted.match(text); m.hasMatch()) {
        e.count = m.captured(1).toInt();
        text = m.captured(2);
    }
    static const QRegularExpression columnForm(QStringLiteral(R"(^([A-Za-z_]\w*) (\d.*)$)"));
    if (const auto m = columnForm.match(text); m.hasMatch()) {
        e.column = m.captured(1);
        // "3 (Untrust), then 1 and 2 (tie)": remarks dropped, words as commas.
        QString list = m.captured(2);
        list.remove(QRegularExpression(QStringLiteral(R"(\([^)]*\))")));
        list.replace(QRegularExpression(QStringLiteral(R"(\b(then|and)\b)")), QStringLiteral(","));
        for (const QString& item : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!item.trimmed().isEmpty())
                e.rows.push_back({ { Atom { Atom::Kind::Number, item.trimmed().toDouble(), QString() } } });
        }
    } else {
        e.rows = ValueList(text).rows();
    }
    if (e.count < 0)
        e.count = static_cast<int>(e.rows.size());
    return e;
}

QString show(const std::vector<std::vector<QVariant>>& rows)
{
    QStringList out;
    for (const auto& row : rows) {
        QStringList cells;
        for (const QVariant& v : row)
            cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        out << QLatin1Char('(') + cells.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(", "));
}

void checkRows(const ExpectedRows& expected, FixtureDatabase::Result result, int hidden, bool ordered)
{
    for (auto& row : result.rows)
        row.resize(row.size() - std::min<std::size_t>(row.size(), static_cast<std::size_t>(hidden)));
    ASSERT_EQ(static_cast<int>(result.rows.size()), expected.count) << show(result.rows).toStdString();
    if (expected.rows.empty())
        return;
    std::vector<std::vector<QVariant>> actual = result.rows;
    if (!expected.column.isEmpty()) {
        const qsizetype at = result.columns.indexOf(expected.column);
        ASSERT_GE(at, 0) << "no column " << expected.column.toStdString();
        for (auto& row : actual)
            row = { row[static_cast<std::size_t>(at)] };
    }
    if (ordered && !expected.anyOrder) {
        for (std::size_t i = 0; i < actual.size(); ++i)
            EXPECT_TRUE(matches(expected.rows[i], actual[i]))
                << "row " << i << " of " << show(actual).toStdString();
        return;
    }
    // Rows tied or unordered: each expected row must meet a row of its own.
    std::vector<bool> used(actual.size(), false);
    for (const ExpectedRow& want : expected.rows) {
        bool found = false;
        for (std::size_t i = 0; i < actual.size() && !found; ++i) {
            if (!used[i] && matches(want, actual[i]))
                used[i] = found = true;
        }
        EXPECT_TRUE(found) << "no row for an expected row in " << show(actual).toStdString();
    }
}

void checkError(const QString& expected, const Failure& failure)
{
    static const QRegularExpression numbered(QStringLiteral(R"(^(\d+) (.*)$)"));
    if (const auto m = numbered.match(expected); m.hasMatch()) {
        EXPECT_EQ(failure.number(), m.captured(1).toInt());
        // The file writes some of Jet's messages without their final period.
        const QString text = m.captured(2);
        EXPECT_TRUE(failure.description() == text || failure.description() == text + QLatin1Char('.'))
            << failure.description().toStdString() << " / " << text.toStdString();
        return;
    }
    ASSERT_TRUE(expected.startsWith(QLatin1String("not supported: "))) << "unknown ERROR form";
    EXPECT_EQ(failure.number(), 0);
    EXPECT_TRUE(failure.description().contains(expected.mid(15), Qt::CaseInsensitive))
        << failure.description().toStdString();
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
    db.exec(QStringLiteral("INSERT INTO syslog (logno, [%1]) VALUES (6, '%2')")
                .arg(m.captured(1), m.captured(2)));
    const TranslateOptions options { fixtureClock(), &db.schema() };
    const auto stored = db.run(translate(
        QStringLiteral("SELECT [%1], Year([%1]) FROM syslog WHERE logno = 6").arg(m.captured(1)), options)
                                   .sql);
    ASSERT_EQ(stored.rows.size(), 1u) << stored.error.toStdString();
    EXPECT_EQ(stored.rows[0][0].toString(), m.captured(2));
    EXPECT_TRUE(stored.rows[0][1].isNull());
    db.exec(QStringLiteral("INSERT INTO syslog (logno, [%1]) VALUES (7, '\\\"2005-03-16 16:33:2')")
                .arg(m.captured(1)));
    const auto ranged
        = db.run(translate(QStringLiteral("SELECT logno FROM syslog WHERE [%1] BETWEEN #1/1/100# "
                                          "AND #12/31/9999 23:59:59#")
                               .arg(m.captured(1)),
            options)
                     .sql);
    for (const auto& row : ranged.rows)
        EXPECT_NE(row[0].toLongLong(), 7);
}

class SharedJetCase : public ::testing::TestWithParam<SharedCase> { };

TEST_P(SharedJetCase, HoldsOnTheFixture)
{
    const SharedCase& c = GetParam();
    ASSERT_NE(c.id, QStringLiteral("missing_file")) << "cannot read jet-sql-cases.tsv";
    SCOPED_TRACE(c.input.toStdString());
    FixtureDatabase db;
    if (c.input.startsWith(QLatin1String("append:")))
        return checkAppend(c.input, db);

    const Expectation expected = readExpectation(c.expected);
    const TranslateOptions options { fixtureClock(), &db.schema() };
    Translation translation;
    try {
        translation = translate(c.input, options);
    } catch (const Failure& failure) {
        ASSERT_FALSE(expected.hasSql) << "translation failed: " << failure.description().toStdString();
        ASSERT_FALSE(expected.error.isEmpty())
            << "unexpected failure " << failure.description().toStdString();
        return checkError(expected.error, failure);
    }
    ASSERT_TRUE(expected.hasSql) << "translated, though Jet refuses it: " << translation.sql.toStdString();
    SCOPED_TRACE(translation.sql.toStdString());
    EXPECT_EQ(translation.hiddenTrailingColumns, expected.hidden);

    const FixtureDatabase::Result result = db.run(translation.sql);
    if (expected.error.startsWith(QLatin1String("runtime: "))) {
        ASSERT_TRUE(result.prepared) << result.error.toStdString();
        EXPECT_EQ(result.error, expected.error.mid(9));
        return;
    }
    const ExpectedRows rows = readRows(expected.result);
    if (rows.translationOnly) {
        // The fixture lacks the table; SQLite may only object to the name.
        if (!result.prepared) {
            EXPECT_TRUE(result.error.startsWith(QLatin1String("no such"))) << result.error.toStdString();
        }
        return;
    }
    ASSERT_TRUE(result.error.isEmpty()) << result.error.toStdString();
    const bool ordered
        = !Parser(c.input, 2026).parseStatement().orderBy.empty() && translation.hiddenTrailingColumns == 0;
    checkRows(rows, result, translation.hiddenTrailingColumns, ordered);
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedJetCase, ::testing::ValuesIn(loadCases()),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return info.param.id.toStdString(); });

} // namespace
