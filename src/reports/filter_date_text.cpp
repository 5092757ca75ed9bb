#include "reports/filter_date_text.h"

#include <QDate>
#include <QRegularExpression>

namespace corvane {

QString FilterDateText(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})(?: +(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return QString();
    const int day = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    const int year = match.captured(3).toInt();
    const int hour = match.captured(4).toInt();
    const int minute = match.captured(5).toInt();
    const int second = match.captured(6).toInt();
    // Jet's dates start in the year 100.
    if (year < 100 || !QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return QString();
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(month)
        .arg(day)
        .arg(year)
        .arg(hour)
        .arg(minute)
        .arg(second);
}

} // namespace corvane
