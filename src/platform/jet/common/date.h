#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <compare>
#include <functional>
#include <optional>

namespace corvane::platform::jet {

// Where queries read "now": Now(), Date() and Time(), and the year of a date
// text written without one. The program passes its clock; tests fix it.
using NowSource = std::function<QDateTime()>;

// A Jet date/time: calendar parts with whole seconds and no time zone, as Jet
// keeps them. The default value is the zero date, 1899-12-30 00:00:00.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// Jet's date range: 0100-01-01 00:00:00 .. 9999-12-31 23:59:59.
inline constexpr int MinYear = 100;
inline constexpr int MaxYear = 9999;

bool isLeapYear(int year);
// 0 for a month outside 1..12.
int daysInMonth(int year, int month);
// A real Gregorian date and time inside Jet's range.
bool isValid(const DateTime& value);

// Reads date literal text (without the # marks) the way Jet does: month first,
// ISO year-month-day, the day/month fallback when month-first is no real date,
// English month names, two-digit years through the 2029 window, times with
// optional AM/PM. A text without a year takes currentYear. A missing date gives
// 1899-12-30, a missing time 00:00:00. Anything unreadable gives nullopt.
std::optional<DateTime> parseDate(QStringView text, int currentYear);

// Reads only the stored form YYYY-MM-DD HH:MM:SS (exactly 19 characters,
// a real date in range); anything else gives nullopt.
std::optional<DateTime> parseCanonical(QStringView text);

// The stored form YYYY-MM-DD HH:MM:SS, always 19 characters.
QString formatCanonical(const DateTime& value);

// Jet serial number: whole days since 1899-12-30, the fraction the time of day.
// Before 1899-12-30 the day count is negative while the fraction still counts
// forward (-1.25 is 1899-12-29 06:00:00).
double toSerial(const DateTime& value);
// Rounds to the nearest second; nullopt outside Jet's range or for NaN/inf.
std::optional<DateTime> fromSerial(double serial);

// Days since 1899-12-30 (negative before it); and back.
long long dayNumber(int year, int month, int day);
DateTime fromDayNumber(long long days);

// The local date and time parts of a QDateTime (milliseconds dropped);
// nullopt when invalid or outside Jet's range.
std::optional<DateTime> fromQDateTime(const QDateTime& value);

} // namespace corvane::platform::jet
