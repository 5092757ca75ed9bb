#include "platform/jet/common/rounding.h"
#include "platform/jet/sqlite/format.h"
#include "platform/jet/sqlite/function_support.h"

#include <cmath>

namespace corvane::platform::jet::functions {

namespace {

template <int DateTime::*part> void datePart(sqlite3_context* c, int, sqlite3_value** argv)
{
    const auto date = toDate(c, read(argv[0]));
    if (!date)
        return sqlite3_result_null(c);
    sqlite3_result_int(c, (*date).*part);
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
    const auto date = toDate(c, read(argv[2]));
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
    const auto a = toDate(c, read(argv[1]));
    const auto b = toDate(c, read(argv[2]));
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
    const auto date = toDate(c, read(argv[0]));
    if (!date)
        fail("Type mismatch");
    sqlite3_result_int(c, weekdayNumber(*date, firstDayArgument(argc, argv, 1)));
}

void datePartFunction(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const QString interval = toText(read(argv[0])).toLower();
    const auto date = toDate(c, read(argv[1]));
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

DateTime requireDate(sqlite3_context* c, sqlite3_value* value)
{
    const auto date = toDate(c, read(value));
    if (!date)
        fail("Type mismatch");
    return *date;
}

void dateValue(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const DateTime d = requireDate(c, argv[0]);
    resultText(c, formatCanonical(DateTime { d.year, d.month, d.day, 0, 0, 0 }));
}

void timeValue(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    const DateTime d = requireDate(c, argv[0]);
    resultText(c, formatCanonical(DateTime { 1899, 12, 30, d.hour, d.minute, d.second }));
}

void toDateFunction(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        fail("Invalid use of Null");
    resultText(c, formatCanonical(requireDate(c, argv[0])));
}

} // namespace

std::span<const ScalarFunction> dateFunctions()
{
    static const ScalarFunction list[] = {
        { "jet_year", 1, guarded<datePart<&DateTime::year>> },
        { "jet_month", 1, guarded<datePart<&DateTime::month>> },
        { "jet_day", 1, guarded<datePart<&DateTime::day>> },
        { "jet_hour", 1, guarded<datePart<&DateTime::hour>> },
        { "jet_minute", 1, guarded<datePart<&DateTime::minute>> },
        { "jet_second", 1, guarded<datePart<&DateTime::second>> },
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
    };
    return list;
}

} // namespace corvane::platform::jet::functions
