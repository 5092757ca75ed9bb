// The registered functions as a query sees them: each expression translated
// with the fixture's clock and run on the fixture database.
#include "fixture_database.h"
#include "platform/failure/failure.h"
#include "platform/jet/translator/translator.h"

#include <gtest/gtest.h>

namespace corvane::platform::jet {
namespace {

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
        { "Format(Null, 'Fixed')", "null" },
        // every date token and literal
        { "Format(#12/6/2026 3:04:05 PM#, 'y yy q w ww n:s')", "340 26 4 1 50 4:5" },
        { "Format(#12/6/2026 3:04:05 PM#, 'Medium Date')", "06-Dec-26" },
        { "Format(#12/6/2026 3:04:05 PM#, 'Short Date')", "12/6/2026" },
        { "Format(#12/6/2026 3:04:05 PM#, 'Long Time')", "3:04:05 PM" },
        { "Format(#12/6/2026 3:04:05 PM#, 'Medium Time')", "03:04 PM" },
        { "Format(#12/6/2026 3:04:05 PM#, 'Short Time')", "15:04" },
        { "Format(#12/6/2026 3:04:05 PM#, 'hh:nn:ss a/p')", "03:04:05 p" },
        { "Format(#12/6/2026 3:04:05 AM#, 'h A/P')", "3 A" }, { "Format(#12/6/2026#, '\"Q\"q \\w')", "Q4 w" },
        // every number token and literal
        { "Format(-1234.567, '#,##0.0')", "-1,234.6" }, { "Format(0.5, '#.##')", ".5" },
        { "Format(0.5, '0%')", "50%" }, { "Format(5, '\"n=\"0')", "n=5" }, { "Format(5, '\\#0')", "#5" },
        { "Format(1234.5, 'Scientific')", "1.23E+03" }, { "Format(1, 'True/False')", "True" },
        { "Format(0, 'On/Off')", "Off" }, { "Format(2.5)", "2.5" },
        { "Format(5, '0a')", "error: Invalid procedure call or argument" },
        // the date functions
        { "Weekday(#12/6/2026#)", "1" }, { "Weekday(#12/6/2026#, 2)", "7" },
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

} // namespace
} // namespace corvane::platform::jet
