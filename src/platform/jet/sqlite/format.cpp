#include "platform/jet/sqlite/format.h"

#include "platform/failure/failure_codes.h"

#include <QRegularExpression>
#include <cmath>

namespace corvane::platform::jet {

namespace {

const char* const MonthNames[] = { "January", "February", "March", "April", "May", "June", "July", "August",
    "September", "October", "November", "December" };
const char* const DayNames[]
    = { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" };

[[noreturn]] void invalidFormat()
{
    throw failure::InvalidProcedureCall.make();
}

// 0 = Sunday; 1899-12-30 was a Saturday.
int weekdayIndex(const DateTime& d)
{
    const long long days = dayNumber(d.year, d.month, d.day);
    return static_cast<int>(((days + 6) % 7 + 7) % 7);
}

int dayOfYear(const DateTime& d)
{
    return static_cast<int>(dayNumber(d.year, d.month, d.day) - dayNumber(d.year, 1, 1)) + 1;
}

int weekOfYear(const DateTime& d)
{
    const DateTime first { d.year, 1, 1, 0, 0, 0 };
    return (dayOfYear(d) - 1 + weekdayIndex(first)) / 7 + 1;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString namedDateFormat(QStringView name)
{
    struct Named {
        const char* name;
        const char* format;
    };
    static const Named named[] = { { "long date", "dddd, mmmm d, yyyy" }, { "medium date", "dd-mmm-yy" },
        { "short date", "m/d/yyyy" }, { "long time", "h:nn:ss AM/PM" }, { "medium time", "hh:nn AM/PM" },
        { "short time", "hh:nn" } };
    for (const Named& n : named) {
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(n.format);
    }
    return QString();
}

bool startsWithAt(QStringView text, qsizetype at, const char* word)
{
    return text.mid(at).startsWith(QLatin1String(word), Qt::CaseInsensitive);
}

} // namespace

QString generalDate(const DateTime& value)
{
    const bool zeroDate = value.year == 1899 && value.month == 12 && value.day == 30;
    const bool midnight = value.hour == 0 && value.minute == 0 && value.second == 0;
    const QString date = QStringLiteral("%1/%2/%3").arg(value.month).arg(value.day).arg(value.year);
    const int hour12 = value.hour % 12 == 0 ? 12 : value.hour % 12;
    const QString time = QStringLiteral("%1:%2:%3 %4")
                             .arg(hour12)
                             .arg(twoDigits(value.minute), twoDigits(value.second),
                                 value.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    if (midnight)
        return date;
    if (zeroDate)
        return time;
    return date + QLatin1Char(' ') + time;
}

bool isDateFormat(QStringView format)
{
    static const char* const numberFormats[] = { "general number", "currency", "fixed", "standard", "percent",
        "scientific", "yes/no", "true/false", "on/off" };
    for (const char* name : numberFormats) {
        if (format.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return false;
    }
    if (format.compare(QLatin1String("general date"), Qt::CaseInsensitive) == 0
        || !namedDateFormat(format).isEmpty())
        return true;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i].toLower();
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('\\'))
            ++i;
        else if (!quoted && QStringView(u"dmyhnsqw").contains(c))
            return true;
        else if (!quoted && (startsWithAt(format, i, "am/pm") || startsWithAt(format, i, "a/p")))
            return true;
    }
    return false;
}

QString formatDate(const DateTime& value, QStringView format)
{
    if (format.isEmpty() || format.compare(QLatin1String("general date"), Qt::CaseInsensitive) == 0)
        return generalDate(value);
    const QString named = namedDateFormat(format);
    const QStringView f = named.isEmpty() ? format : QStringView(named);
    const bool twelveHour = f.contains(QLatin1String("am/pm"), Qt::CaseInsensitive)
        || f.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
    QString out;
    bool afterHour = false; // m right after h or hh means minutes
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == QLatin1Char('"')) {
            const qsizetype close = f.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                invalidFormat();
            out += f.mid(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < f.size())
                out += f[i + 1];
            i += 2;
            continue;
        }
        if (startsWithAt(f, i, "am/pm") || startsWithAt(f, i, "a/p")) {
            const bool longForm = startsWithAt(f, i, "am/pm");
            const bool upper = f[i].isUpper();
            QString marker = value.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            if (!longForm)
                marker.truncate(1);
            out += upper ? marker : marker.toLower();
            i += longForm ? 5 : 3;
            continue;
        }
        if (!c.isLetter()) {
            out += c;
            ++i;
            continue;
        }
        const QChar letter = c.toLower();
        qsizetype run = 1;
        while (i + run < f.size() && f[i + run].toLower() == letter)
            ++run;
        i += run;
        const int hour = twelveHour ? (value.hour % 12 == 0 ? 12 : value.hour % 12) : value.hour;
        bool hourToken = false;
        if (letter == QLatin1Char('d')) {
            if (run == 1)
                out += QString::number(value.day);
            else if (run == 2)
                out += twoDigits(value.day);
            else if (run == 3)
                out += QString::fromLatin1(DayNames[weekdayIndex(value)]).left(3);
            else if (run == 4)
                out += QString::fromLatin1(DayNames[weekdayIndex(value)]);
            else
                invalidFormat();
        } else if (letter == QLatin1Char('m') && afterHour && run <= 2) {
            out += run == 1 ? QString::number(value.minute) : twoDigits(value.minute);
        } else if (letter == QLatin1Char('m')) {
            if (run == 1)
                out += QString::number(value.month);
            else if (run == 2)
                out += twoDigits(value.month);
            else if (run == 3)
                out += QString::fromLatin1(MonthNames[value.month - 1]).left(3);
            else if (run == 4)
                out += QString::fromLatin1(MonthNames[value.month - 1]);
            else
                invalidFormat();
        } else if (letter == QLatin1Char('y')) {
            if (run == 1)
                out += QString::number(dayOfYear(value));
            else if (run == 2)
                out += twoDigits(value.year % 100);
            else if (run == 4)
                out += QStringLiteral("%1").arg(value.year, 4, 10, QLatin1Char('0'));
            else
                invalidFormat();
        } else if (letter == QLatin1Char('h') && run <= 2) {
            out += run == 1 ? QString::number(hour) : twoDigits(hour);
            hourToken = true;
        } else if (letter == QLatin1Char('n') && run <= 2) {
            out += run == 1 ? QString::number(value.minute) : twoDigits(value.minute);
        } else if (letter == QLatin1Char('s') && run <= 2) {
            out += run == 1 ? QString::number(value.second) : twoDigits(value.second);
        } else if (letter == QLatin1Char('q') && run == 1) {
            out += QString::number((value.month - 1) / 3 + 1);
        } else if (letter == QLatin1Char('w') && run <= 2) {
            out += QString::number(run == 1 ? weekdayIndex(value) + 1 : weekOfYear(value));
        } else {
            invalidFormat();
        }
        // Separators between h and m keep the minute reading (h:mm).
        afterHour = hourToken;
        while (afterHour && i < f.size() && (f[i] == QLatin1Char(':') || f[i] == QLatin1Char(' '))) {
            out += f[i];
            ++i;
        }
    }
    return out;
}

QString formatNumber(double value, QStringView format)
{
    struct Named {
        const char* name;
        const char* format;
    };
    static const Named named[] = { { "fixed", "0.00" }, { "standard", "#,##0.00" }, { "percent", "0.00%" } };
    if (format.isEmpty() || format.compare(QLatin1String("general number"), Qt::CaseInsensitive) == 0) {
        if (value == std::floor(value) && std::fabs(value) < 1e15)
            return QString::number(static_cast<long long>(value));
        return QString::number(value, 'g', 15);
    }
    if (format.compare(QLatin1String("yes/no"), Qt::CaseInsensitive) == 0)
        return value != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    if (format.compare(QLatin1String("true/false"), Qt::CaseInsensitive) == 0)
        return value != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (format.compare(QLatin1String("on/off"), Qt::CaseInsensitive) == 0)
        return value != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    if (format.compare(QLatin1String("scientific"), Qt::CaseInsensitive) == 0)
        return QString::number(value, 'E', 2);
    if (format.compare(QLatin1String("currency"), Qt::CaseInsensitive) == 0) {
        const QString digits = formatNumber(std::fabs(value), u"#,##0.00");
        return value < 0 ? QStringLiteral("($") + digits + QLatin1Char(')') : QLatin1Char('$') + digits;
    }
    for (const Named& n : named) {
        if (format.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return formatNumber(value, QString::fromLatin1(n.format));
    }

    // A user format: literals around one run of 0 # . , placeholders.
    QString prefix;
    QString suffix;
    int minInteger = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool grouping = false;
    bool percent = false;
    bool inNumber = false;
    bool afterPoint = false;
    bool done = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        QString literal;
        if (c == QLatin1Char('"')) {
            const qsizetype close = format.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                invalidFormat();
            literal = format.mid(i + 1, close - i - 1).toString();
            i = close;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 < format.size())
                literal = format[++i];
        } else if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.')
            || (c == QLatin1Char(',') && inNumber)) {
            if (done)
                invalidFormat();
            inNumber = true;
            if (c == QLatin1Char('.'))
                afterPoint = true;
            else if (c == QLatin1Char(','))
                grouping = grouping || !afterPoint;
            else if (afterPoint) {
                ++maxDecimals;
                minDecimals += c == QLatin1Char('0') ? 1 : 0;
            } else {
                minInteger += c == QLatin1Char('0') ? 1 : 0;
            }
            continue;
        } else if (c == QLatin1Char('%')) {
            percent = true;
            literal = c;
        } else if (c.isLetter()) {
            invalidFormat();
        } else {
            literal = c;
        }
        if (inNumber)
            done = true;
        (done ? suffix : prefix) += literal;
    }
    double shown = percent ? value * 100 : value;
    QString digits = QString::number(std::fabs(shown), 'f', maxDecimals);
    QString integer = digits.section(QLatin1Char('.'), 0, 0);
    QString fraction = digits.section(QLatin1Char('.'), 1, 1);
    while (fraction.size() > minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (integer == QLatin1String("0") && minInteger == 0)
        integer.clear();
    while (integer.size() < minInteger)
        integer.prepend(QLatin1Char('0'));
    if (grouping) {
        for (qsizetype at = integer.size() - 3; at > 0; at -= 3)
            integer.insert(at, QLatin1Char(','));
    }
    QString number = integer;
    if (!fraction.isEmpty())
        number += QLatin1Char('.') + fraction;
    if (number.isEmpty())
        number = QStringLiteral("0");
    const bool negative = shown < 0 && (number.contains(QRegularExpression(QStringLiteral("[1-9]"))));
    return (negative ? QStringLiteral("-") : QString()) + prefix + number + suffix;
}

} // namespace corvane::platform::jet
