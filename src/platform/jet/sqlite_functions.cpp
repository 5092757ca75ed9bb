#include "platform/jet/sqlite_functions.h"

#include "platform/failure/failure.h"
#include "platform/jet/jet_date.h"
#include "platform/jet/jet_format.h"
#include "platform/jet/jet_like.h"

#include <QDate>
#include <QString>
#include <cmath>
#include <limits>
#include <optional>
#include <sqlite3.h>

namespace corvane::platform::jet {

namespace {

// A value as Jet's functions see it: canonical date text is a date.
struct JetValue {
    enum class Kind { Null, Number, Date, Text };
    Kind kind = Kind::Null;
    double number = 0;
    DateTime date;
    QString text;
};

struct FunctionError {
    QString message;
};

[[noreturn]] void fail(const char* message)
{
    throw FunctionError { QString::fromLatin1(message) };
}

JetValue read(sqlite3_value* value)
{
    JetValue v;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        v.kind = JetValue::Kind::Number;
        v.number = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT: {
        v.text = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
        if (const auto date = parseCanonical(v.text)) {
            v.kind = JetValue::Kind::Date;
            v.date = *date;
        } else {
            v.kind = JetValue::Kind::Text;
        }
        break;
    }
    case SQLITE_NULL:
        break;
    default: // blobs do not occur in our tables; read them as text
        v.kind = JetValue::Kind::Text;
        v.text = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    }
    return v;
}

std::optional<double> readNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || text.trimmed().isEmpty())
        return std::nullopt;
    return value;
}

double toNumber(const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Number:
        return v.number;
    case JetValue::Kind::Date:
        return toSerial(v.date);
    case JetValue::Kind::Text:
        if (const auto n = readNumber(v.text))
            return *n;
        fail("Type mismatch");
    case JetValue::Kind::Null:
        break;
    }
    return 0;
}

QString numberText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

QString toText(const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Number:
        return numberText(v.number);
    case JetValue::Kind::Date:
        return formatCanonical(v.date);
    case JetValue::Kind::Text:
        return v.text;
    case JetValue::Kind::Null:
        break;
    }
    return {};
}

// Text that is no date reads as Null in the date functions, so a time stamp
// kept verbatim falls out of every date computation.
std::optional<DateTime> toDate(const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Date:
        return v.date;
    case JetValue::Kind::Number:
        return fromSerial(v.number);
    case JetValue::Kind::Text:
        return parseDate(v.text, QDate::currentDate().year());
    case JetValue::Kind::Null:
        break;
    }
    return std::nullopt;
}

double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff != 0.5)
        return std::round(value);
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

void resultNumber(sqlite3_context* context, double value)
{
    if (!std::isfinite(value))
        fail("Overflow");
    if (value == std::floor(value) && std::fabs(value) < 9e15)
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(value));
    else
        sqlite3_result_double(context, value);
}

void resultText(sqlite3_context* context, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void resultDate(sqlite3_context* context, const std::optional<DateTime>& date)
{
    if (!date)
        fail("Overflow");
    resultText(context, formatCanonical(*date));
}

using Body = void (*)(sqlite3_context*, int, sqlite3_value**);

template <Body body> void guarded(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    try {
        body(context, argc, argv);
    } catch (const FunctionError& error) {
        const QByteArray message = error.message.toUtf8();
        sqlite3_result_error(context, message.constData(), static_cast<int>(message.size()));
    } catch (const Failure& failure) {
        const QByteArray message = failure.description().toUtf8();
        sqlite3_result_error(context, message.constData(), static_cast<int>(message.size()));
    }
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

// ---- the functions ----

void like(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    sqlite3_result_int(c, likeMatches(toText(read(argv[0])), toText(read(argv[1]))) ? -1 : 0);
}

void alike(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    sqlite3_result_int(c, alikeMatches(toText(read(argv[0])), toText(read(argv[1]))) ? -1 : 0);
}

// Null counts as empty text; only when every part is Null is the result Null.
void concat(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    QString out;
    bool allNull = true;
    for (int i = 0; i < argc; ++i) {
        const JetValue v = read(argv[i]);
        allNull = allNull && v.kind == JetValue::Kind::Null;
        out += toText(v);
    }
    if (allNull)
        return sqlite3_result_null(c);
    resultText(c, out);
}

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

template <int DateTime::*part> void datePart(sqlite3_context* c, int, sqlite3_value** argv)
{
    const auto date = toDate(read(argv[0]));
    if (!date)
        return sqlite3_result_null(c);
    sqlite3_result_int(c, (*date).*part);
}

void upper(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).toUpper());
}

void lower(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).toLower());
}

// InStr([start,] s1, s2): 1-based, without regard to case, 0 when not found.
void inString(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    int start = 1;
    int first = 0;
    if (argc == 3) {
        start = static_cast<int>(roundHalfEven(toNumber(read(argv[0]))));
        first = 1;
        if (start < 1)
            fail("Invalid procedure call or argument");
    }
    const QString haystack = toText(read(argv[first]));
    const QString needle = toText(read(argv[first + 1]));
    const qsizetype at = haystack.indexOf(needle, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int64(c, at < 0 ? 0 : at + 1);
}

void length(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    sqlite3_result_int64(c, toText(read(argv[0])).size());
}

qsizetype countArgument(sqlite3_value* value)
{
    const double n = roundHalfEven(toNumber(read(value)));
    if (n < 0 || n > std::numeric_limits<int>::max())
        fail("Invalid procedure call or argument");
    return static_cast<qsizetype>(n);
}

void left(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).left(countArgument(argv[1])));
}

void right(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const qsizetype n = countArgument(argv[1]);
    const QString text = toText(read(argv[0]));
    resultText(c, n == 0 ? QString() : text.right(n));
}

void middle(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const qsizetype start = countArgument(argv[1]);
    if (start < 1)
        fail("Invalid procedure call or argument");
    const QString text = toText(read(argv[0]));
    resultText(c, argc == 3 ? text.mid(start - 1, countArgument(argv[2])) : text.mid(start - 1));
}

// Val: the number the text begins with, spaces ignored.
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

DateTime addMonths(DateTime d, long long months)
{
    long long total = static_cast<long long>(d.year) * 12 + (d.month - 1) + months;
    d.year = static_cast<int>(total / 12);
    d.month = static_cast<int>(total % 12) + 1;
    // Jet clamps to the month's last day: 31 January plus a month is 28 February.
    d.day = std::min(d.day, daysInMonth(d.year, d.month));
    return d;
}

void dateAdd(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const QString interval = toText(read(argv[0])).toLower();
    const long long n = static_cast<long long>(std::trunc(toNumber(read(argv[1]))));
    const auto date = toDate(read(argv[2]));
    if (!date)
        fail("Type mismatch");
    if (interval == "yyyy")
        return resultDate(c, addMonths(*date, n * 12));
    if (interval == "q")
        return resultDate(c, addMonths(*date, n * 3));
    if (interval == "m")
        return resultDate(c, addMonths(*date, n));
    double seconds = 0;
    if (interval == "d" || interval == "y" || interval == "w")
        seconds = 86400.0 * static_cast<double>(n);
    else if (interval == "ww")
        seconds = 7 * 86400.0 * static_cast<double>(n);
    else if (interval == "h")
        seconds = 3600.0 * static_cast<double>(n);
    else if (interval == "n")
        seconds = 60.0 * static_cast<double>(n);
    else if (interval == "s")
        seconds = static_cast<double>(n);
    else
        fail("Invalid procedure call or argument");
    resultDate(c, fromSerial(toSerial(*date) + seconds / 86400.0));
}

// DateDiff counts the interval boundaries crossed between the two dates.
void dateDiff(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const QString interval = toText(read(argv[0])).toLower();
    const auto a = toDate(read(argv[1]));
    const auto b = toDate(read(argv[2]));
    if (!a || !b)
        fail("Type mismatch");
    const long long days = dayNumber(b->year, b->month, b->day) - dayNumber(a->year, a->month, a->day);
    auto secondsOf = [](const DateTime& d) {
        return (dayNumber(d.year, d.month, d.day) * 86400LL) + d.hour * 3600LL + d.minute * 60LL + d.second;
    };
    long long result = 0;
    if (interval == "yyyy")
        result = b->year - a->year;
    else if (interval == "q")
        result = (b->year * 4LL + (b->month - 1) / 3) - (a->year * 4LL + (a->month - 1) / 3);
    else if (interval == "m")
        result = (b->year * 12LL + b->month) - (a->year * 12LL + a->month);
    else if (interval == "d" || interval == "y")
        result = days;
    else if (interval == "w")
        result = days / 7;
    else if (interval == "ww") // Sunday starts a week; 1899-12-30 was a Saturday
        result
            = (dayNumber(b->year, b->month, b->day) + 6) / 7 - (dayNumber(a->year, a->month, a->day) + 6) / 7;
    else if (interval == "h")
        result = secondsOf(*b) / 3600 - secondsOf(*a) / 3600;
    else if (interval == "n")
        result = secondsOf(*b) / 60 - secondsOf(*a) / 60;
    else if (interval == "s")
        result = secondsOf(*b) - secondsOf(*a);
    else
        fail("Invalid procedure call or argument");
    sqlite3_result_int64(c, result);
}

QString formatDateOf(double serial, const QString& format)
{
    const auto date = fromSerial(serial);
    if (!date)
        fail("Overflow");
    return formatDate(*date, format);
}

// Format(x[, fmt]): dates through the date tokens, numbers (and text that
// reads as one) through the number tokens; other text is returned as it is.
void formatFunction(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const JetValue v = read(argv[0]);
    const QString format
        = argc > 1 && sqlite3_value_type(argv[1]) != SQLITE_NULL ? toText(read(argv[1])) : QString();
    if (v.kind == JetValue::Kind::Date)
        return resultText(c, formatDate(v.date, format));
    if (v.kind == JetValue::Kind::Number)
        return resultText(
            c, isDateFormat(format) ? formatDateOf(v.number, format) : formatNumber(v.number, format));
    if (const auto n = readNumber(v.text); n && !isDateFormat(format))
        return resultText(c, formatNumber(*n, format));
    resultText(c, v.text);
}

// 1 = Sunday unless another first day is given (0 means the system's: Sunday).
int weekdayNumber(const DateTime& d, int firstDay)
{
    const long long days = dayNumber(d.year, d.month, d.day);
    const int sundayBased = static_cast<int>(((days + 6) % 7 + 7) % 7); // 1899-12-30 was a Saturday
    const int first = firstDay == 0 ? 0 : firstDay - 1;
    return (sundayBased - first + 7) % 7 + 1;
}

int firstDayArgument(int argc, sqlite3_value** argv, int at)
{
    if (argc <= at)
        return 1;
    const double n = roundHalfEven(toNumber(read(argv[at])));
    if (n < 0 || n > 7)
        fail("Invalid procedure call or argument");
    return static_cast<int>(n);
}

void weekday(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const auto date = toDate(read(argv[0]));
    if (!date)
        fail("Type mismatch");
    sqlite3_result_int(c, weekdayNumber(*date, firstDayArgument(argc, argv, 1)));
}

void datePartFunction(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const QString interval = toText(read(argv[0])).toLower();
    const auto date = toDate(read(argv[1]));
    if (!date)
        fail("Type mismatch");
    const int firstDay = firstDayArgument(argc, argv, 2);
    const int dayOfYear
        = static_cast<int>(dayNumber(date->year, date->month, date->day) - dayNumber(date->year, 1, 1)) + 1;
    int result = 0;
    if (interval == "yyyy")
        result = date->year;
    else if (interval == "q")
        result = (date->month - 1) / 3 + 1;
    else if (interval == "m")
        result = date->month;
    else if (interval == "y")
        result = dayOfYear;
    else if (interval == "d")
        result = date->day;
    else if (interval == "w")
        result = weekdayNumber(*date, firstDay);
    else if (interval == "ww") // the week holding 1 January is week 1
        result
            = (dayOfYear - 1 + weekdayNumber(DateTime { date->year, 1, 1, 0, 0, 0 }, firstDay) - 1) / 7 + 1;
    else if (interval == "h")
        result = date->hour;
    else if (interval == "n")
        result = date->minute;
    else if (interval == "s")
        result = date->second;
    else
        fail("Invalid procedure call or argument");
    sqlite3_result_int(c, result);
}

long long wholeArgument(sqlite3_value* value)
{
    const double n = roundHalfEven(toNumber(read(value)));
    if (n < -2147483648.0 || n > 2147483647.0)
        fail("Overflow");
    return static_cast<long long>(n);
}

// Months and days outside their ranges roll over, as VB's DateSerial does;
// years 0..29 are 2000..2029 and 30..99 are 1930..1999.
void dateSerial(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    long long year = wholeArgument(argv[0]);
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    const long long months = year * 12 + wholeArgument(argv[1]) - 1;
    const long long y = months >= 0 ? months / 12 : (months - 11) / 12;
    const int m = static_cast<int>(months - y * 12) + 1;
    if (y < MinYear || y > MaxYear)
        fail("Invalid procedure call or argument");
    const long long days = dayNumber(static_cast<int>(y), m, 1) + wholeArgument(argv[2]) - 1;
    const DateTime date = fromDayNumber(days);
    if (!isValid(date))
        fail("Invalid procedure call or argument");
    resultText(c, formatCanonical(date));
}

void timeSerial(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const double seconds = static_cast<double>(
        wholeArgument(argv[0]) * 3600 + wholeArgument(argv[1]) * 60 + wholeArgument(argv[2]));
    resultDate(c, fromSerial(seconds / 86400.0));
}

DateTime requireDate(sqlite3_value* value)
{
    const auto date = toDate(read(value));
    if (!date)
        fail("Type mismatch");
    return *date;
}

void dateValue(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const DateTime d = requireDate(argv[0]);
    resultText(c, formatCanonical(DateTime { d.year, d.month, d.day, 0, 0, 0 }));
}

void timeValue(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const DateTime d = requireDate(argv[0]);
    resultText(c, formatCanonical(DateTime { 1899, 12, 30, d.hour, d.minute, d.second }));
}

void toDateFunction(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    resultText(c, formatCanonical(requireDate(argv[0])));
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

// ---- aggregates ----

// First and Last keep a copy of the first and the latest value of the group.
struct KeptValue {
    sqlite3_value* value;
};

template <bool keepLatest> void keepStep(sqlite3_context* c, int, sqlite3_value** argv)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(c, sizeof(KeptValue)));
    if (!kept)
        return sqlite3_result_error_nomem(c);
    if (kept->value && !keepLatest)
        return;
    sqlite3_value_free(kept->value);
    kept->value = sqlite3_value_dup(argv[0]);
}

void keepFinal(sqlite3_context* c)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(c, 0));
    if (!kept || !kept->value)
        return sqlite3_result_null(c);
    sqlite3_result_value(c, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

// Welford's running mean and square sum; Nulls are left out as Jet does.
struct Spread {
    long long count;
    double mean;
    double squares;
};

void spreadStep(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    auto* s = static_cast<Spread*>(sqlite3_aggregate_context(c, sizeof(Spread)));
    if (!s)
        return sqlite3_result_error_nomem(c);
    try {
        const double x = toNumber(read(argv[0]));
        ++s->count;
        const double delta = x - s->mean;
        s->mean += delta / static_cast<double>(s->count);
        s->squares += delta * (x - s->mean);
    } catch (const FunctionError& error) {
        const QByteArray message = error.message.toUtf8();
        sqlite3_result_error(c, message.constData(), static_cast<int>(message.size()));
    }
}

// The sample forms need two values, the population forms one; fewer give Null.
template <bool population, bool root> void spreadFinal(sqlite3_context* c)
{
    const auto* s = static_cast<Spread*>(sqlite3_aggregate_context(c, 0));
    const long long needed = population ? 1 : 2;
    if (!s || s->count < needed)
        return sqlite3_result_null(c);
    const double variance = s->squares / static_cast<double>(population ? s->count : s->count - 1);
    sqlite3_result_double(c, root ? std::sqrt(variance) : variance);
}

struct AggregateRegistration {
    const char* name;
    void (*step)(sqlite3_context*, int, sqlite3_value**);
    void (*final)(sqlite3_context*);
};

struct Registration {
    const char* name;
    int args; // -1: any number
    void (*function)(sqlite3_context*, int, sqlite3_value**);
};

} // namespace

void registerFunctions(sqlite3* db)
{
    static const Registration registrations[] = {
        { "jet_like", 2, guarded<like> },
        { "jet_alike", 2, guarded<alike> },
        { "jet_concat", -1, guarded<concat> },
        { "jet_add", 2, guarded<add> },
        { "jet_sub", 2, guarded<subtract> },
        { "jet_div", 2, guarded<divide> },
        { "jet_idiv", 2, guarded<integerDivide> },
        { "jet_mod", 2, guarded<modulo> },
        { "jet_pow", 2, guarded<power> },
        { "jet_year", 1, guarded<datePart<&DateTime::year>> },
        { "jet_month", 1, guarded<datePart<&DateTime::month>> },
        { "jet_day", 1, guarded<datePart<&DateTime::day>> },
        { "jet_hour", 1, guarded<datePart<&DateTime::hour>> },
        { "jet_minute", 1, guarded<datePart<&DateTime::minute>> },
        { "jet_second", 1, guarded<datePart<&DateTime::second>> },
        { "jet_ucase", 1, guarded<upper> },
        { "jet_lcase", 1, guarded<lower> },
        { "jet_instr", -1, guarded<inString> },
        { "jet_len", 1, guarded<length> },
        { "jet_left", 2, guarded<left> },
        { "jet_right", 2, guarded<right> },
        { "jet_mid", -1, guarded<middle> },
        { "jet_val", 1, guarded<value> },
        { "jet_cstr", 1, guarded<toStringFunction> },
        { "jet_cint", 1, guarded<toWhole<-32768, 32767>> },
        { "jet_clng", 1, guarded<toWhole<-2147483648LL, 2147483647LL>> },
        { "jet_cdbl", 1, guarded<toDouble> },
        { "jet_int", 1, guarded<numeric<floorOf>> },
        { "jet_fix", 1, guarded<numeric<truncOf>> },
        { "jet_sgn", 1, guarded<numeric<sign>> },
        { "jet_round", -1, guarded<roundFunction> },
        { "jet_dateadd", 3, guarded<dateAdd> },
        { "jet_datediff", 3, guarded<dateDiff> },
        { "jet_format", -1, guarded<formatFunction> },
        { "jet_weekday", -1, guarded<weekday> },
        { "jet_datepart", -1, guarded<datePartFunction> },
        { "jet_dateserial", 3, guarded<dateSerial> },
        { "jet_timeserial", 3, guarded<timeSerial> },
        { "jet_datevalue", 1, guarded<dateValue> },
        { "jet_timevalue", 1, guarded<timeValue> },
        { "jet_cdate", 1, guarded<toDateFunction> },
        { "jet_cbyte", 1, guarded<toWhole<0, 255>> },
        { "jet_csng", 1, guarded<toSingle> },
        { "jet_ccur", 1, guarded<toCurrency> },
        { "jet_cbool", 1, guarded<toBoolean> },
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const Registration& r : registrations)
        sqlite3_create_function_v2(db, r.name, r.args, flags, nullptr, r.function, nullptr, nullptr, nullptr);

    static const AggregateRegistration aggregates[] = {
        { "jet_first", keepStep<false>, keepFinal },
        { "jet_last", keepStep<true>, keepFinal },
        { "jet_stdev", spreadStep, spreadFinal<false, true> },
        { "jet_stdevp", spreadStep, spreadFinal<true, true> },
        { "jet_var", spreadStep, spreadFinal<false, false> },
        { "jet_varp", spreadStep, spreadFinal<true, false> },
    };
    // First and Last depend on row order, so they are not deterministic.
    for (const AggregateRegistration& a : aggregates)
        sqlite3_create_function_v2(
            db, a.name, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nullptr, nullptr, a.step, a.final, nullptr);
}

} // namespace corvane::platform::jet
