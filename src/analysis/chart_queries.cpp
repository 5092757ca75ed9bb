#include "analysis/chart_queries.h"

#include "platform/failure/failure_codes.h"
#include "platform/jet/translator/text_literal.h"

namespace corvane {

namespace {

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

std::int16_t DaysInMonth(const QDate& date)
{
    if (!date.isValid())
        throw platform::failure::InvalidProcedureCall.make();
    int year = date.year();
    int month = date.month() + 1;
    if (month > 12) {
        month = 1;
        ++year;
    }
    // The same day a month on; a day past that month's end runs on.
    const QDate monthOn = QDate(year, month, 1).addDays(date.day() - 1);
    return static_cast<std::int16_t>(date.daysTo(monthOn));
}

QString monthFirstDateTimeText(const QDateTime& value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    const QString day = QString::number(date.month()) + QLatin1Char('/') + QString::number(date.day())
        + QLatin1Char('/') + QString::number(date.year());
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return day;
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return day + QLatin1Char(' ') + QString::number(hour12) + QLatin1Char(':') + twoDigits(time.minute())
        + QLatin1Char(':') + twoDigits(time.second())
        + (time.hour() < 12 ? QLatin1String(" AM") : QLatin1String(" PM"));
}

QDateTime dayBefore(const QDateTime& now)
{
    // UTC has no gaps, so the date and time stay exactly as computed.
    return QDateTime(now.date().addDays(-1), now.time(), Qt::UTC);
}

QString zoneTrafficQuery(const QDateTime& from, const QDateTime& to)
{
    return QStringLiteral("SELECT [src zone=], sum([sent+rcvd]) AS TotalBytes ")
        + QStringLiteral("FROM syslog WHERE [start_time=]=>#") + monthFirstDateTimeText(from)
        + QStringLiteral("# AND [start_time=]<=#") + monthFirstDateTimeText(to)
        + QStringLiteral("# GROUP BY [src zone=] ORDER BY sum([sent+rcvd]) desc");
}

QString statusTypeQuery()
{
    return QStringLiteral("SELECT * FROM Statustype");
}

QString statusCountQuery(const QString& statusType)
{
    return QStringLiteral("SELECT COUNT ([Membership Status]) AS TotalRows ")
        + QStringLiteral("FROM Membershipdetails ")
        + QStringLiteral("WHERE [Membership Status]=")
        // Doubled quotes: a status type such as Members' Club is counted too.
        + platform::jet::textLiteral(statusType);
}

ChartMonths monthsEndingIn(const QDate& today, const QLocale& locale)
{
    const QDate fifteenth(today.year(), today.month(), 15);
    ChartMonths months;
    for (int back = 0; back < ChartMonthCount; ++back) {
        ChartMonth& month = months[static_cast<std::size_t>(ChartMonthCount - 1 - back)];
        month.reference = fifteenth.addDays(-30LL * back);
        const QString m = QString::number(month.reference.month());
        const QString y = QString::number(month.reference.year());
        month.lowerBound = QLatin1Char('#') + m + QStringLiteral("/01/") + y + QLatin1Char('#');
        // The whole last day: a bound without its time would end the month
        // at the last day's midnight and leave that day's rows out.
        month.upperBound = QLatin1Char('#') + m + QLatin1Char('/')
            + QString::number(DaysInMonth(month.reference)) + QLatin1Char('/') + y
            + QStringLiteral(" 11:59:59 PM#");
        month.label = locale.toString(month.reference, QStringLiteral("MMM-yy"));
    }
    return months;
}

QString paymentMonthQuery(const ChartMonth& month)
{
    return QStringLiteral("SELECT SUM ([Payment Amount]) as TotalAmount ")
        + QStringLiteral("FROM [paymentdetails] ") + QStringLiteral("WHERE [payment date]>=")
        + month.lowerBound + QStringLiteral(" AND [payment date]<=") + month.upperBound;
}

QString signInMonthQuery(const ChartMonth& month)
{
    return QStringLiteral("SELECT COUNT ([MembershipID]) as TotalAmount ") + QStringLiteral("FROM [SignIn] ")
        + QStringLiteral("WHERE [date]>=") + month.lowerBound + QStringLiteral(" AND [date]<=")
        + month.upperBound;
}

} // namespace corvane
