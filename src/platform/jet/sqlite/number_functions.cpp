#include "platform/jet/common/rounding.h"
#include "platform/jet/sqlite/function_support.h"

#include <cmath>
#include <limits>

namespace corvane::platform::jet::functions {

namespace {

void add(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const JetValue a = read(argv[0]);
    const JetValue b = read(argv[1]);
    if (a.kind == JetValue::Kind::Text && b.kind == JetValue::Kind::Text)
        return resultText(c, a.text + b.text);
    const double sum = toNumber(a) + toNumber(b);
    if (a.kind == JetValue::Kind::Date || b.kind == JetValue::Kind::Date)
        return resultDate(c, fromSerial(sum));
    resultNumber(c, sum);
}

void subtract(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const JetValue a = read(argv[0]);
    const JetValue b = read(argv[1]);
    const double difference = toNumber(a) - toNumber(b);
    if (a.kind == JetValue::Kind::Date && b.kind != JetValue::Kind::Date)
        return resultDate(c, fromSerial(difference));
    resultNumber(c, difference);
}

void divide(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const double divisor = toNumber(read(argv[1]));
    if (divisor == 0)
        fail("Division by zero");
    sqlite3_result_double(c, toNumber(read(argv[0])) / divisor);
}

void integerDivide(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const double divisor = roundHalfEven(toNumber(read(argv[1])));
    if (divisor == 0)
        fail("Division by zero");
    resultNumber(c, std::trunc(roundHalfEven(toNumber(read(argv[0]))) / divisor));
}

void modulo(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const double divisor = roundHalfEven(toNumber(read(argv[1])));
    if (divisor == 0)
        fail("Division by zero");
    resultNumber(c, std::fmod(roundHalfEven(toNumber(read(argv[0]))), divisor));
}

void power(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    resultNumber(c, std::pow(toNumber(read(argv[0])), toNumber(read(argv[1]))));
}

void value(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    QString text = toText(read(argv[0]));
    text.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    qsizetype end = 0;
    while (end < text.size()
        && (text[end].isDigit() || text[end] == QLatin1Char('.')
            || (end == 0 && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+')))))
        ++end;
    bool ok = false;
    const double n = text.left(end).toDouble(&ok);
    resultNumber(c, ok ? n : 0.0);
}

void toStringFunction(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    resultText(c, toText(read(argv[0])));
}

template <long long low, long long high> void toWhole(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    const double n = roundHalfEven(toNumber(read(argv[0])));
    if (n < static_cast<double>(low) || n > static_cast<double>(high))
        fail("Overflow");
    sqlite3_result_int64(c, static_cast<sqlite3_int64>(n));
}

void toDouble(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    sqlite3_result_double(c, toNumber(read(argv[0])));
}

template <double (*op)(double)> void numeric(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    resultNumber(c, op(toNumber(read(argv[0]))));
}

double sign(double x)
{
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}
double floorOf(double x)
{
    return std::floor(x);
}
double truncOf(double x)
{
    return std::trunc(x);
}

void roundFunction(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const int places = argc > 1 ? static_cast<int>(toNumber(read(argv[1]))) : 0;
    if (places < 0 || places > 15)
        fail("Invalid procedure call or argument");
    const double scale = std::pow(10.0, places);
    resultNumber(c, roundHalfEven(toNumber(read(argv[0])) * scale) / scale);
}

void toSingle(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    const double n = toNumber(read(argv[0]));
    if (std::fabs(n) > std::numeric_limits<float>::max())
        fail("Overflow");
    // Shown with the seven digits a Single keeps.
    sqlite3_result_double(c, QString::number(static_cast<float>(n), 'g', 7).toDouble());
}

void toCurrency(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    const double n = roundHalfEven(toNumber(read(argv[0])) * 10000.0) / 10000.0;
    if (std::fabs(n) > 922337203685477.5807)
        fail("Overflow");
    resultNumber(c, n);
}

void toBoolean(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    const JetValue v = read(argv[0]);
    if (v.kind == JetValue::Kind::Text) {
        if (v.text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return sqlite3_result_int(c, -1);
        if (v.text.trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return sqlite3_result_int(c, 0);
    }
    sqlite3_result_int(c, toNumber(v) != 0 ? -1 : 0);
}

} // namespace

std::span<const ScalarFunction> numberFunctions()
{
    static const ScalarFunction list[] = {
        { "jet_add", 2, guarded<add> },
        { "jet_sub", 2, guarded<subtract> },
        { "jet_div", 2, guarded<divide> },
        { "jet_idiv", 2, guarded<integerDivide> },
        { "jet_mod", 2, guarded<modulo> },
        { "jet_pow", 2, guarded<power> },
        { "jet_val", 1, guarded<value> },
        { "jet_cstr", 1, guarded<toStringFunction> },
        { "jet_cint", 1, guarded<toWhole<-32768, 32767>> },
        { "jet_clng", 1, guarded<toWhole<-2147483648LL, 2147483647LL>> },
        { "jet_cdbl", 1, guarded<toDouble> },
        { "jet_int", 1, guarded<numeric<floorOf>> },
        { "jet_fix", 1, guarded<numeric<truncOf>> },
        { "jet_sgn", 1, guarded<numeric<sign>> },
        { "jet_round", -1, guarded<roundFunction> },
        { "jet_cbyte", 1, guarded<toWhole<0, 255>> },
        { "jet_csng", 1, guarded<toSingle> },
        { "jet_ccur", 1, guarded<toCurrency> },
        { "jet_cbool", 1, guarded<toBoolean> },
    };
    return list;
}

} // namespace corvane::platform::jet::functions
