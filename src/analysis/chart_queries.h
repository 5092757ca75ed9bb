#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <cstdint>

// The chart sources' query texts and date arithmetic: values in, values out.
namespace corvane {

inline constexpr const char* ZoneColumn = "src zone=";
inline constexpr const char* TotalBytesColumn = "TotalBytes";
inline constexpr const char* StatusTypeColumn = "Status Type";
inline constexpr const char* TotalRowsColumn = "TotalRows";
inline constexpr const char* TotalAmountColumn = "TotalAmount";

inline constexpr int ChartMonthCount = 6;

// One month of the six-month sources.
struct ChartMonth {
    QDate reference; // a day from the 13th to the 18th of the month
    QString lowerBound; // #m/01/y#
    QString upperBound; // #m/L/y 11:59:59 PM#, the last second of the last day
    QString label; // mmm-yy
};

// The current month and the five before it, oldest first.
using ChartMonths = std::array<ChartMonth, ChartMonthCount>;

// The length of the date's month: the days from this day of the month to the
// same day a month on, with day overflow running into the next month.
// Its time of day plays no part.
std::int16_t DaysInMonth(const QDate& date);

// A date-time as the dialect reads it, month first whatever the regional
// settings: 12/5/2026 3:04:05 PM, or the date alone at midnight. Written in
// the regional form, a day-first region's 5 December would be read as 12 May.
QString monthFirstDateTimeText(const QDateTime& value);

// The start of the 24-hour window: the same clock time a calendar day
// earlier, a plain date and time like the stored time stamps. Local time
// arithmetic would move a time that a daylight-saving change skips.
QDateTime dayBefore(const QDateTime& now);

// Source 0: bytes per source zone from `from` to `to`, both inclusive,
// largest total first.
QString zoneTrafficQuery(const QDateTime& from, const QDateTime& to);

// Source 1: the status types, then one count per type.
QString statusTypeQuery();
QString statusCountQuery(const QString& statusType);

// Sources 2 and 3: the reference day of each month is the 15th of today's
// month less 30 days per month back.
ChartMonths monthsEndingIn(const QDate& today, const QLocale& locale);
QString paymentMonthQuery(const ChartMonth& month);
QString signInMonthQuery(const ChartMonth& month);

} // namespace corvane
