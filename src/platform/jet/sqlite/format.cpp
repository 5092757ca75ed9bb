#include "platform/jet/sqlite/format.h"

#include "platform/failure/failure_codes.h"

#include <QRegularExpression>
#include <cmath>
#include <optional>

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

bool isNamed(QStringView format, const char* name)
{
    return format.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// ---- literals, shared by date and number formats; at moves past them ----

// "text" as written; an unclosed quote is invalid.
QString quotedLiteral(QStringView format, qsizetype& at)
{
    const qsizetype close = format.indexOf(QLatin1Char('"'), at + 1);
    if (close < 0)
        invalidFormat();
    const QString text = format.mid(at + 1, close - at - 1).toString();
    at = close + 1;
    return text;
}

// \x: x as written; nothing when the backslash ends the format.
QString escapedLiteral(QStringView format, qsizetype& at)
{
    const QString text = at + 1 < format.size() ? QString(format[at + 1]) : QString();
    at += 2;
    return text;
}

// ---- date tokens ----

bool atAmPm(QStringView format, qsizetype at)
{
    return startsWithAt(format, at, "am/pm") || startsWithAt(format, at, "a/p");
}

// AM/PM or A/P, in the case its first letter is written in.
QString amPmMarker(const DateTime& value, QStringView format, qsizetype& at)
{
    const bool longForm = startsWithAt(format, at, "am/pm");
    const bool upper = format[at].isUpper();
    QString marker = value.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
    if (!longForm)
        marker.truncate(1);
    at += longForm ? 5 : 3;
    return upper ? marker : marker.toLower();
}

// How many times the letter at `at` repeats, in either case.
qsizetype letterRun(QStringView format, qsizetype at)
{
    const QChar letter = format[at].toLower();
    qsizetype run = 1;
    while (at + run < format.size() && format[at + run].toLower() == letter)
        ++run;
    return run;
}

// h, n, s, and m as minutes: the number alone or two digits.
QString oneOrTwoDigits(int n, qsizetype run)
{
    if (run == 1)
        return QString::number(n);
    if (run == 2)
        return twoDigits(n);
    invalidFormat();
}

// d dd ddd dddd: the day alone, in two digits, the weekday short and in full.
QString dayToken(const DateTime& value, qsizetype run)
{
    if (run <= 2)
        return oneOrTwoDigits(value.day, run);
    if (run > 4)
        invalidFormat();
    const QString name = QString::fromLatin1(DayNames[weekdayIndex(value)]);
    return run == 3 ? name.left(3) : name;
}

// m mm mmm mmmm: the month alone, in two digits, its name short and in full.
QString monthToken(const DateTime& value, qsizetype run)
{
    if (run <= 2)
        return oneOrTwoDigits(value.month, run);
    if (run > 4)
        invalidFormat();
    const QString name = QString::fromLatin1(MonthNames[value.month - 1]);
    return run == 3 ? name.left(3) : name;
}

// y yy yyyy: the day of the year, the year's last two digits, the year.
QString yearToken(const DateTime& value, qsizetype run)
{
    if (run == 1)
        return QString::number(dayOfYear(value));
    if (run == 2)
        return twoDigits(value.year % 100);
    if (run == 4)
        return QStringLiteral("%1").arg(value.year, 4, 10, QLatin1Char('0'));
    invalidFormat();
}

// h hh: on the 12-hour clock when the format holds AM/PM or A/P.
QString hourToken(const DateTime& value, qsizetype run, bool twelveHour)
{
    const int hour = twelveHour ? (value.hour % 12 == 0 ? 12 : value.hour % 12) : value.hour;
    return oneOrTwoDigits(hour, run);
}

// q: the quarter.
QString quarterToken(const DateTime& value, qsizetype run)
{
    if (run != 1)
        invalidFormat();
    return QString::number((value.month - 1) / 3 + 1);
}

// w ww: the weekday (Sunday is 1) and the week of the year (1 January's is 1).
QString weekToken(const DateTime& value, qsizetype run)
{
    if (run == 1)
        return QString::number(weekdayIndex(value) + 1);
    if (run == 2)
        return QString::number(weekOfYear(value));
    invalidFormat();
}

// One run of a letter. m or mm after an hour means minutes, whatever
// separates them (h:mm).
QString letterToken(const DateTime& value, char16_t letter, qsizetype run, bool twelveHour, bool afterHour)
{
    switch (letter) {
    case u'd':
        return dayToken(value, run);
    case u'm':
        return afterHour && run <= 2 ? oneOrTwoDigits(value.minute, run) : monthToken(value, run);
    case u'y':
        return yearToken(value, run);
    case u'h':
        return hourToken(value, run, twelveHour);
    case u'n':
        return oneOrTwoDigits(value.minute, run);
    case u's':
        return oneOrTwoDigits(value.second, run);
    case u'q':
        return quarterToken(value, run);
    case u'w':
        return weekToken(value, run);
    }
    invalidFormat();
}

// ---- number formats ----

// A user number format: literals around one run of 0 # . , placeholders.
struct NumberPattern {
    QString prefix;
    QString suffix;
    int minInteger = 0; // the 0s before the point
    int minDecimals = 0; // the 0s after it
    int maxDecimals = 0; // the 0s and #s after it
    bool grouping = false; // a comma before the point
    bool percent = false; // a % anywhere: the value shows times 100
};

// A comma is a placeholder only inside the run.
bool isPlaceholder(QChar c, bool inNumber)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.')
        || (c == QLatin1Char(',') && inNumber);
}

void addPlaceholder(NumberPattern& pattern, QChar c, bool& afterPoint)
{
    if (c == QLatin1Char('.')) {
        afterPoint = true;
    } else if (c == QLatin1Char(',')) {
        pattern.grouping = pattern.grouping || !afterPoint;
    } else if (afterPoint) {
        ++pattern.maxDecimals;
        pattern.minDecimals += c == QLatin1Char('0') ? 1 : 0;
    } else {
        pattern.minInteger += c == QLatin1Char('0') ? 1 : 0;
    }
}

// "text", \x, % or any other character but a letter, which is invalid.
QString numberLiteral(NumberPattern& pattern, QStringView format, qsizetype& at)
{
    const QChar c = format[at];
    if (c == QLatin1Char('"'))
        return quotedLiteral(format, at);
    if (c == QLatin1Char('\\'))
        return escapedLiteral(format, at);
    if (c.isLetter())
        invalidFormat();
    if (c == QLatin1Char('%'))
        pattern.percent = true;
    ++at;
    return QString(c);
}

NumberPattern readNumberPattern(QStringView format)
{
    NumberPattern pattern;
    bool inNumber = false; // the run has begun; literals after it are the suffix
    bool afterPoint = false;
    bool done = false; // a literal has ended the run: a second run is invalid
    for (qsizetype i = 0; i < format.size();) {
        if (isPlaceholder(format[i], inNumber)) {
            if (done)
                invalidFormat();
            inNumber = true;
            addPlaceholder(pattern, format[i], afterPoint);
            ++i;
            continue;
        }
        const QString literal = numberLiteral(pattern, format, i);
        done = inNumber;
        (done ? pattern.suffix : pattern.prefix) += literal;
    }
    return pattern;
}

// The integer digits as written: a lone 0 only when the pattern has a 0
// before the point, padded to the 0s it has, grouped by thousands.
QString integerDigits(QString integer, const NumberPattern& pattern)
{
    if (integer == QLatin1String("0") && pattern.minInteger == 0)
        integer.clear();
    while (integer.size() < pattern.minInteger)
        integer.prepend(QLatin1Char('0'));
    if (pattern.grouping) {
        for (qsizetype at = integer.size() - 3; at > 0; at -= 3)
            integer.insert(at, QLatin1Char(','));
    }
    return integer;
}

// The decimals as written: trailing zeros beyond the pattern's 0s dropped.
QString fractionDigits(QString fraction, const NumberPattern& pattern)
{
    while (fraction.size() > pattern.minDecimals && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return fraction;
}

QString applyPattern(double value, const NumberPattern& pattern)
{
    const double shown = pattern.percent ? value * 100 : value;
    const QString digits = QString::number(std::fabs(shown), 'f', pattern.maxDecimals);
    QString number = integerDigits(digits.section(QLatin1Char('.'), 0, 0), pattern);
    const QString fraction = fractionDigits(digits.section(QLatin1Char('.'), 1, 1), pattern);
    if (!fraction.isEmpty())
        number += QLatin1Char('.') + fraction;
    if (number.isEmpty())
        number = QStringLiteral("0");
    // A value that rounds to zero shows no minus.
    const bool negative = shown < 0 && (number.contains(QRegularExpression(QStringLiteral("[1-9]"))));
    return (negative ? QStringLiteral("-") : QString()) + pattern.prefix + number + pattern.suffix;
}

QString generalNumber(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

// The named number formats; nothing for a user format.
std::optional<QString> namedNumber(double value, QStringView format)
{
    if (format.isEmpty() || isNamed(format, "general number"))
        return generalNumber(value);
    static const struct {
        const char* name;
        const char* nonZero;
        const char* zero;
    } words[] = { { "yes/no", "Yes", "No" }, { "true/false", "True", "False" }, { "on/off", "On", "Off" } };
    for (const auto& w : words) {
        if (isNamed(format, w.name))
            return QString::fromLatin1(value != 0 ? w.nonZero : w.zero);
    }
    if (isNamed(format, "scientific"))
        return QString::number(value, 'E', 2);
    if (isNamed(format, "currency")) {
        const QString digits = applyPattern(std::fabs(value), readNumberPattern(u"#,##0.00"));
        return value < 0 ? QStringLiteral("($") + digits + QLatin1Char(')') : QLatin1Char('$') + digits;
    }
    static const struct {
        const char* name;
        const char* pattern;
    } patterns[] = { { "fixed", "0.00" }, { "standard", "#,##0.00" }, { "percent", "0.00%" } };
    for (const auto& p : patterns) {
        if (isNamed(format, p.name))
            return applyPattern(value, readNumberPattern(QString::fromLatin1(p.pattern)));
    }
    return std::nullopt;
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
    if (format.isEmpty() || isNamed(format, "general date"))
        return generalDate(value);
    const QString named = namedDateFormat(format);
    const QStringView f = named.isEmpty() ? format : QStringView(named);
    const bool twelveHour = f.contains(QLatin1String("am/pm"), Qt::CaseInsensitive)
        || f.contains(QLatin1String("a/p"), Qt::CaseInsensitive);
    QString out;
    bool afterHour = false; // the last run of letters was h or hh
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == QLatin1Char('"')) {
            out += quotedLiteral(f, i);
        } else if (c == QLatin1Char('\\')) {
            out += escapedLiteral(f, i);
        } else if (atAmPm(f, i)) {
            out += amPmMarker(value, f, i);
        } else if (!c.isLetter()) {
            out += c;
            ++i;
        } else {
            const qsizetype run = letterRun(f, i);
            const char16_t letter = c.toLower().unicode();
            out += letterToken(value, letter, run, twelveHour, afterHour);
            afterHour = letter == u'h';
            i += run;
        }
    }
    return out;
}

QString formatNumber(double value, QStringView format)
{
    if (const auto named = namedNumber(value, format))
        return *named;
    return applyPattern(value, readNumberPattern(format));
}

} // namespace corvane::platform::jet
