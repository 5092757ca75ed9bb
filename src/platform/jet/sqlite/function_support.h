#pragma once

#include "platform/failure/failure.h"
#include "platform/jet/common/date.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>
#include <span>
#include <sqlite3.h>

// What the families of SQLite functions share: how a value reads as Jet sees
// it, how results and errors go back, and each family's list of functions.
namespace corvane::platform::jet::functions {

// A value as Jet's functions see it: canonical date text is a date.
struct JetValue {
    enum class Kind { Null, Number, Date, Text };
    Kind kind = Kind::Null;
    double number = 0;
    DateTime date;
    QString text;
};

// A run-time error of a function, reported to SQLite with this message.
struct FunctionError {
    QString message;
};

[[noreturn]] void fail(const char* message);

JetValue read(sqlite3_value* value);
std::optional<double> readNumber(const QString& text);
double toNumber(const JetValue& v);
QString toText(const JetValue& v);
// Text that is no date reads as Null in the date functions, so a time stamp
// kept verbatim falls out of every date computation. A text without a year
// takes the year of the connection's now-source.
std::optional<DateTime> toDate(sqlite3_context* context, const JetValue& v);
bool anyNull(int argc, sqlite3_value** argv);

void resultNumber(sqlite3_context* context, double value);
void resultText(sqlite3_context* context, const QString& text);
void resultDate(sqlite3_context* context, const std::optional<DateTime>& date);
void resultError(sqlite3_context* context, const QString& message);

using Body = void (*)(sqlite3_context*, int, sqlite3_value**);

// Turns the errors a body throws into SQLite errors; nothing may unwind
// through SQLite's C frames.
template <Body body> void guarded(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    try {
        body(context, argc, argv);
    } catch (const FunctionError& error) {
        resultError(context, error.message);
    } catch (const Failure& failure) {
        resultError(context, failure.description());
    }
}

struct ScalarFunction {
    const char* name;
    int args; // -1: any number
    Body function;
};

struct AggregateFunction {
    const char* name;
    Body step;
    void (*final)(sqlite3_context*);
};

std::span<const ScalarFunction> textFunctions();
std::span<const ScalarFunction> numberFunctions();
std::span<const ScalarFunction> dateFunctions();
std::span<const AggregateFunction> aggregateFunctions();

} // namespace corvane::platform::jet::functions
