// Jet SQL on a fixture database: the registered functions as a query sees
// them, and the shared Jet SQL cases, each translated with the fixture's
// clock and schema, then its RESULT checked on the fixture rows with the real
// jet_* functions, or its ERROR against the failure raised.
#include "platform/db/connection.h"
#include "platform/db/schema_reader.h"
#include "platform/failure/failure.h"
#include "platform/jet/translator/dialect_functions.h"
#include "platform/jet/translator/parser.h"
#include "platform/jet/translator/schema.h"
#include "platform/jet/translator/translator.h"
#include "qstring_printer.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <vector>

namespace corvane::platform::jet {
namespace {

// The clock every translation in these tests reads.
QDateTime fixtureClock()
{
    return QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5));
}

const char* const Schema[] = {
    "CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [NetScreen device_id=] TEXT COLLATE NOCASE,"
    " [src zone=] TEXT COLLATE NOCASE, [src=] TEXT COLLATE NOCASE, [start_time=] DATETEXT,"
    " [action=] TEXT COLLATE NOCASE, [service=] TEXT COLLATE NOCASE, [dst_port=] TEXT COLLATE NOCASE,"
    " LogDate DATETEXT, [sent+rcvd] REAL)",
    "CREATE INDEX syslog_start_time ON syslog([start_time=])",
    "CREATE TABLE missed (syslog TEXT COLLATE NOCASE)",
    "CREATE TABLE Statustype ([Status Type] TEXT COLLATE NOCASE)",
    "CREATE TABLE Membershipdetails ([Membership Status] TEXT COLLATE NOCASE)",
    "CREATE TABLE paymentdetails ([Payment Amount] REAL, [payment date] DATETEXT)",
    "CREATE TABLE SignIn (MembershipID INTEGER, [date] DATETEXT)",

    "INSERT INTO syslog (logno, [src zone=], [src=], [start_time=], [sent+rcvd], [action=], [service=], "
    "[dst_port=])"
    " VALUES (1, 'Trust', '192.0.2.1', '2026-12-04 15:04:05', 100, 'Permit', 'dns', '80'),"
    " (2, 'trust', '192.0.2.17', '2026-12-05 09:00:00', 50, 'Deny', 'http', '443'),"
    " (3, 'Untrust', '198.51.100.7', '2026-12-05 15:04:06', 25, 'Permit', '100%', NULL),"
    " (4, '0', '10.0.0.1', '1899-12-30 00:00:00', 0, '0', '0', '0'),"
    " (5, 'DMZ', '192.0.2.5', '2026-12-03 23:59:59', 70, 'Permit', 'a#b', '53')",
    "INSERT INTO Statustype VALUES ('Active'), ('Lapsed'), ('Members'' Club')",
    "INSERT INTO Membershipdetails VALUES ('Active'), ('active'), ('ACTIVE'), ('Lapsed'), (NULL)",
    "INSERT INTO paymentdetails VALUES (10, '2026-07-01 00:00:00'), (20, '2026-07-31 00:00:00'),"
    " (40, '2026-07-31 10:00:00'), (80, '2026-08-01 00:00:00')",
    "INSERT INTO SignIn VALUES (1, '2028-02-01 00:00:00'), (2, '2028-02-29 00:00:00'),"
    " (3, '2028-02-29 08:00:00'), (4, '2028-03-01 00:00:00')",
};

QVariant cell(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                sqlite3_column_bytes(statement, column)));
    }
}

// A scratch database, opened as the program opens one (the jet_* functions
// registered, the fixture's clock as its now-source), with the tables
// of the program's database (text columns NOCASE, dates as DATETEXT,
// logno the INTEGER PRIMARY KEY) holding the shared fixture rows.
class FixtureDatabase {
public:
    struct Result {
        QStringList columns;
        std::vector<std::vector<QVariant>> rows; // qlonglong, double, QString or null
        QString error; // SQLite's message when preparing or stepping failed
        bool prepared = false; // one statement, nothing after it
    };

    FixtureDatabase()
        : m_connection(db::Connection::createNew(m_dir.filePath(QStringLiteral("fixture.mdb")), fixtureClock))
    {
        for (const char* sql : Schema)
            exec(QString::fromUtf8(sql));
        m_schema = db::readSchema(m_connection);
    }

    const SchemaSnapshot& schema() const { return m_schema; }
    void exec(const QString& sql) { m_connection.execute(sql); }

    // Raw SQLite, not the database layer, so the messages are SQLite's own.
    Result run(const QString& sql) const
    {
        sqlite3* const db = m_connection.handle();
        Result result;
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* statement = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &statement, &tail)
            != SQLITE_OK) {
            result.error = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(statement);
            return result;
        }
        if (QString::fromUtf8(tail).trimmed().size() > 0) {
            result.error = QStringLiteral("text after the statement: ") + QString::fromUtf8(tail);
            sqlite3_finalize(statement);
            return result;
        }
        result.prepared = true;
        for (int i = 0; i < sqlite3_column_count(statement); ++i)
            result.columns << QString::fromUtf8(sqlite3_column_name(statement, i));
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            std::vector<QVariant> row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row.push_back(cell(statement, i));
            result.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE)
            result.error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(statement);
        return result;
    }

private:
    QTemporaryDir m_dir;
    db::Connection m_connection;
    SchemaSnapshot m_schema;
};

struct ExpressionCase {
    const char* expression;
    const char* expected; // the value as text; "error: ..." when the run fails, "refused", "null"
    const char* from = "FROM Statustype WHERE [Status Type]='Active'"; // one row
};

// The expression translated and run on the fixture, its single value read as text.
QString valueOf(const ExpressionCase& c)
{
    FixtureDatabase db;
    const TranslateOptions options { fixtureClock(), &db.schema() };
    QString sql;
    try {
        sql = translate(QStringLiteral("SELECT %1 FROM %2")
                            .arg(QString::fromUtf8(c.expression), QString::fromUtf8(c.from).mid(5)),
            options)
                  .sql;
    } catch (const Failure&) {
        return QStringLiteral("refused");
    }
    const FixtureDatabase::Result result = db.run(sql);
    if (!result.error.isEmpty())
        return QStringLiteral("error: ") + result.error;
    if (result.rows.size() != 1)
        return QStringLiteral("rows: %1").arg(result.rows.size());
    const QVariant& v = result.rows[0][0];
    return v.isNull() ? QStringLiteral("null") : v.toString();
}

TEST(JetFunctions, FunctionsAnswerAsJetDoes)
{
    const ExpressionCase cases[] = { // named and custom formats
        { "Format(#12/6/2026 3:04:05 PM#, 'yyyy-mm-dd hh:nn')", "2026-12-06 15:04" },
        { "Format(#12/6/2026 3:04:05 PM#, 'h:mm AM/PM')", "3:04 PM" },
        { "Format(#12/6/2026 3:04:05 PM#)", "12/6/2026 3:04:05 PM" },
        { "Format(#12/6/2026#, 'Long Date')", "Sunday, December 6, 2026" },
        { "Format(#12/6/2026#, 'ddd mmm d')", "Sun Dec 6" }, { "Format(1234.5, 'Standard')", "1,234.50" },
        { "Format(0.256, 'Percent')", "25.60%" }, { "Format(-3.5, 'Currency')", "($3.50)" },
        { "Format(7, '000')", "007" }, { "Format(0, 'Yes/No')", "No" }, { "Format('abc')", "abc" },
        { "Format(#12/6/2026#, 'zz')", "error: Invalid procedure call or argument" },
        { "Format(Null, 'Fixed')", "null" }, { "Weekday(#12/6/2026#)", "1" },
        { "Weekday(#12/6/2026#, 2)", "7" },
        { "Weekday(#12/6/2026#, 9)", "error: Invalid procedure call or argument" },
        { "DatePart('q', #8/15/2026#)", "3" }, { "DatePart('y', #2/1/2028#)", "32" },
        { "DatePart('ww', #1/3/2027#)", "2" }, { "DatePart('h', #8/15/2026 23:10:00#)", "23" },
        { "DatePart('x', #8/15/2026#)", "error: Invalid procedure call or argument" },
        { "DateSerial(2027, 2, 29)", "2027-03-01 00:00:00" },
        { "DateSerial(2028, 2, 29)", "2028-02-29 00:00:00" },
        { "DateSerial(2026, 13, 1)", "2027-01-01 00:00:00" },
        { "DateSerial(2026, 1, 0)", "2025-12-31 00:00:00" },
        { "DateSerial(26, 1, 1)", "2026-01-01 00:00:00" }, { "DateSerial(99, 1, 1)", "1999-01-01 00:00:00" },
        { "TimeSerial(25, 0, 0)", "1899-12-31 01:00:00" },
        { "TimeSerial(14, 30, 15)", "1899-12-30 14:30:15" },
        { "DateValue('12/5/2026 1:02:03 PM')", "2026-12-05 00:00:00" },
        { "TimeValue('12/5/2026 1:02:03 PM')", "1899-12-30 13:02:03" },
        { "CDate('7/31/2026')", "2026-07-31 00:00:00" }, { "CDate('no date')", "error: Type mismatch" },
        { "CDate(Null)", "error: Invalid use of Null" }, { "CByte(255.5)", "error: Overflow" },
        { "CByte(254.5)", "254" }, { "CSng(1.23456789)", "1.234568" }, { "CCur(12.345678)", "12.3457" },
        { "CBool('True')", "-1" }, { "CBool(0)", "0" }, { "CBool(2.5)", "-1" },
        { "CBool('maybe')", "error: Type mismatch" },
        { "DateDiff('d', #1/1/2026#, #1/1/2026#, 1)", "refused" },
        // Aggregates leave Nulls out and need enough values.
        { "First([Status Type])", "Active", "FROM Statustype" },
        { "Last([Status Type])", "Members' Club", "FROM Statustype" },
        { "First([Membership Status])", "null", "FROM Membershipdetails WHERE [Membership Status] Is Null" },
        { "Var([Payment Amount])", "50", "FROM paymentdetails WHERE [Payment Amount] <= 20" },
        { "VarP([Payment Amount])", "25", "FROM paymentdetails WHERE [Payment Amount] <= 20" },
        { "StDevP([Payment Amount])", "5", "FROM paymentdetails WHERE [Payment Amount] <= 20" },
        { "StDev([Payment Amount])", "null", "FROM paymentdetails WHERE [Payment Amount] = 10" },
        { "StDevP([Payment Amount])", "0", "FROM paymentdetails WHERE [Payment Amount] = 10" },
        { "Var([Payment Amount])", "null", "FROM paymentdetails WHERE [Payment Amount] < 0" }
    };
    for (const ExpressionCase& c : cases)
        EXPECT_EQ(valueOf(c).toStdString(), c.expected) << c.expression;
}

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
};

std::vector<SharedCase> loadCases()
{
    // Without the file no case runs, which GoogleTest reports as a failure.
    QFile file(QStringLiteral(CORVANE_TEST_DATA "/jet-sql-cases.tsv"));
    std::vector<SharedCase> cases;
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).mid(1)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 3 && !fields[0].isEmpty())
            cases.push_back({ fields[0], fields[1], fields[2] });
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
    const bool ordered
        = !Parser(c.input, 2026).parseStatement().orderBy.empty() && translation.hiddenTrailingColumns == 0;
    checkRows(rows, result, translation.hiddenTrailingColumns, ordered);
}

INSTANTIATE_TEST_SUITE_P(Shared, SharedJetCase, ::testing::ValuesIn(loadCases()),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return info.param.id.toStdString(); });

} // namespace
} // namespace corvane::platform::jet
