#include "platform/jet/common/date.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cmath>

namespace corvane::platform::jet {

namespace {

enum class Meridiem { None, Am, Pm };

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool allDigits(QStringView s, qsizetype maxLength)
{
    if (s.isEmpty() || s.size() > maxLength)
        return false;
    for (QChar c : s)
        if (!isAsciiDigit(c))
            return false;
    return true;
}

int toInt(QStringView digits)
{
    int value = 0;
    for (QChar c : digits)
        value = value * 10 + (c.unicode() - u'0');
    return value;
}

// 1-2 digits go through the window 00-29 -> 2000s, 30-99 -> 1900s; 3-4 digits
// are taken as written. -1 when the text is no year.
int readYear(QStringView digits)
{
    if (!allDigits(digits, 4))
        return -1;
    const int value = toInt(digits);
    if (digits.size() <= 2)
        return value < 30 ? 2000 + value : 1900 + value;
    return value;
}

int readMonthName(QStringView word)
{
    static const std::array<const char*, 12> names { "january", "february", "march", "april", "may", "june",
        "july", "august", "september", "october", "november", "december" };
    const QString lower = word.toString().toLower();
    for (int i = 0; i < 12; ++i) {
        const QString full = QString::fromLatin1(names[static_cast<std::size_t>(i)]);
        if (lower == full || lower == full.left(3))
            return i + 1;
    }
    return 0;
}

std::optional<DateTime> makeDate(int year, int month, int day)
{
    DateTime value;
    value.year = year;
    value.month = month;
    value.day = day;
    if (!isValid(value))
        return std::nullopt;
    return value;
}

// Month first; when that is no real date, day first, as Jet falls back.
std::optional<DateTime> monthFirst(int a, int b, int year)
{
    if (auto value = makeDate(year, a, b))
        return value;
    return makeDate(year, b, a);
}

std::optional<DateTime> parseNumericDate(QStringView text, int currentYear)
{
    const bool slash = text.contains(u'/');
    const bool dash = text.contains(u'-');
    if (slash == dash)
        return std::nullopt; // no separator, or both kinds mixed
    const QList<QStringView> parts = text.split(slash ? u'/' : u'-');
    for (QStringView part : parts)
        if (!allDigits(part, 4))
            return std::nullopt;

    if (parts.size() == 3 && parts[0].size() == 4) {
        if (parts[1].size() > 2 || parts[2].size() > 2)
            return std::nullopt;
        return makeDate(toInt(parts[0]), toInt(parts[1]), toInt(parts[2]));
    }
    if (parts[0].size() > 2 || parts[1].size() > 2)
        return std::nullopt;
    if (parts.size() == 2)
        return monthFirst(toInt(parts[0]), toInt(parts[1]), currentYear);
    if (parts.size() == 3) {
        const int year = readYear(parts[2]);
        if (year < 0)
            return std::nullopt;
        return monthFirst(toInt(parts[0]), toInt(parts[1]), year);
    }
    return std::nullopt;
}

// "1-Jul-2026", "1 Jul 2026", "Jul 1, 2026", "July 1 2026", "Jul 2026", "1 Jul".
std::optional<DateTime> parseNamedDate(QStringView text, int currentYear)
{
    QList<QStringView> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == u' ' || c == u',' || c == u'-' || c == u'.' || c == u'/') {
            ++i;
            continue;
        }
        const bool letters = isAsciiLetter(c);
        if (!letters && !isAsciiDigit(c))
            return std::nullopt;
        qsizetype end = i;
        while (end < text.size() && (letters ? isAsciiLetter(text[end]) : isAsciiDigit(text[end])))
            ++end;
        tokens.append(text.mid(i, end - i));
        i = end;
    }
    qsizetype monthAt = -1;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        if (isAsciiLetter(tokens[k][0])) {
            if (monthAt >= 0)
                return std::nullopt;
            monthAt = k;
        }
    }
    if (monthAt < 0 || monthAt > 1 || tokens.size() < 2 || tokens.size() > 3)
        return std::nullopt;
    const int month = readMonthName(tokens[monthAt]);
    if (month == 0)
        return std::nullopt;

    QList<QStringView> numbers = tokens;
    numbers.removeAt(monthAt);
    if (numbers.size() == 1 && monthAt == 0 && numbers[0].size() >= 3) // "Jul 2026"
        return makeDate(readYear(numbers[0]), month, 1);
    if (!allDigits(numbers[0], 2))
        return std::nullopt;
    const int year = numbers.size() == 2 ? readYear(numbers[1]) : currentYear;
    if (year < 0)
        return std::nullopt;
    return makeDate(year, month, toInt(numbers[0]));
}

bool parseTime(QStringView text, Meridiem meridiem, DateTime& value)
{
    const QList<QStringView> parts = text.split(u':');
    if (parts.size() > 3 || (parts.size() == 1 && meridiem == Meridiem::None))
        return false;
    std::array<int, 3> fields { 0, 0, 0 };
    for (qsizetype k = 0; k < parts.size(); ++k) {
        if (!allDigits(parts[k], 2))
            return false;
        fields[static_cast<std::size_t>(k)] = toInt(parts[k]);
    }
    int hour = fields[0];
    if (meridiem == Meridiem::None) {
        if (hour > 23)
            return false;
    } else {
        if (hour > 12)
            return false;
        hour %= 12;
        if (meridiem == Meridiem::Pm)
            hour += 12;
    }
    if (fields[1] > 59 || fields[2] > 59)
        return false;
    value.hour = hour;
    value.minute = fields[1];
    value.second = fields[2];
    return true;
}

long long daysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

constexpr long long ZeroDateFrom1970 = -25569; // 1899-12-30

void putDigits(QChar* out, int value, int width)
{
    for (int k = width - 1; k >= 0; --k) {
        out[k] = QChar(u'0' + value % 10);
        value /= 10;
    }
}

} // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static const std::array<int, 12> days { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : days[static_cast<std::size_t>(month - 1)];
}

bool isValid(const DateTime& v)
{
    return v.year >= MinYear && v.year <= MaxYear && v.day >= 1 && v.day <= daysInMonth(v.year, v.month)
        && v.hour >= 0 && v.hour <= 23 && v.minute >= 0 && v.minute <= 59 && v.second >= 0 && v.second <= 59;
}

std::optional<DateTime> parseDate(QStringView text, int currentYear)
{
    QStringView rest = text.trimmed();
    Meridiem meridiem = Meridiem::None;
    if (rest.size() >= 2 && (rest.size() == 2 || !isAsciiLetter(rest[rest.size() - 3]))) {
        const QStringView tail = rest.right(2);
        if (tail.compare(u"AM", Qt::CaseInsensitive) == 0)
            meridiem = Meridiem::Am;
        else if (tail.compare(u"PM", Qt::CaseInsensitive) == 0)
            meridiem = Meridiem::Pm;
        if (meridiem != Meridiem::None)
            rest = rest.chopped(2).trimmed();
    }
    if (rest.isEmpty())
        return std::nullopt;

    // The time is the last word: it holds ':' or stands before AM/PM.
    qsizetype lastSpace = rest.size() - 1;
    while (lastSpace >= 0 && !rest[lastSpace].isSpace())
        --lastSpace;
    const QStringView lastWord = rest.mid(lastSpace + 1);
    QStringView datePart = rest;
    QStringView timePart;
    if (lastWord.contains(u':') || meridiem != Meridiem::None) {
        timePart = lastWord;
        datePart = rest.left(lastSpace + 1).trimmed();
    }
    if (datePart.contains(u':'))
        return std::nullopt;

    std::optional<DateTime> value;
    if (datePart.isEmpty())
        value = DateTime {};
    else if (std::any_of(datePart.begin(), datePart.end(), isAsciiLetter))
        value = parseNamedDate(datePart, currentYear);
    else
        value = parseNumericDate(datePart, currentYear);
    if (!value)
        return std::nullopt;
    if (!timePart.isEmpty() && !parseTime(timePart, meridiem, *value))
        return std::nullopt;
    return value;
}

std::optional<DateTime> parseCanonical(QStringView text)
{
    if (text.size() != 19 || text[4] != u'-' || text[7] != u'-' || text[10] != u' ' || text[13] != u':'
        || text[16] != u':')
        return std::nullopt;
    const auto field = [&](qsizetype at, qsizetype length) {
        const QStringView digits = text.mid(at, length);
        return allDigits(digits, length) ? toInt(digits) : -1;
    };
    DateTime value;
    value.year = field(0, 4);
    value.month = field(5, 2);
    value.day = field(8, 2);
    value.hour = field(11, 2);
    value.minute = field(14, 2);
    value.second = field(17, 2);
    if (!isValid(value))
        return std::nullopt;
    return value;
}

QString formatCanonical(const DateTime& v)
{
    QString text(19, u'-');
    QChar* out = text.data();
    putDigits(out, v.year, 4);
    putDigits(out + 5, v.month, 2);
    putDigits(out + 8, v.day, 2);
    out[10] = u' ';
    putDigits(out + 11, v.hour, 2);
    out[13] = u':';
    putDigits(out + 14, v.minute, 2);
    out[16] = u':';
    putDigits(out + 17, v.second, 2);
    return text;
}

long long dayNumber(int year, int month, int day)
{
    return daysFromCivil(year, month, day) - ZeroDateFrom1970;
}

DateTime fromDayNumber(long long days)
{
    long long z = days + ZeroDateFrom1970 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    DateTime value;
    value.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    value.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    value.year = static_cast<int>(yoe + era * 400 + (value.month <= 2 ? 1 : 0));
    return value;
}

double toSerial(const DateTime& v)
{
    const double days = static_cast<double>(dayNumber(v.year, v.month, v.day));
    const double fraction = (v.hour * 3600 + v.minute * 60 + v.second) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

std::optional<DateTime> fromSerial(double serial)
{
    static const double first = static_cast<double>(dayNumber(MinYear, 1, 1));
    static const double last = static_cast<double>(dayNumber(MaxYear, 12, 31));
    if (!std::isfinite(serial) || serial <= first - 1 || serial >= last + 1)
        return std::nullopt;
    const double whole = std::trunc(serial);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    DateTime value = fromDayNumber(days);
    value.hour = static_cast<int>(seconds / 3600);
    value.minute = static_cast<int>(seconds / 60 % 60);
    value.second = static_cast<int>(seconds % 60);
    if (!isValid(value))
        return std::nullopt;
    return value;
}

std::optional<DateTime> fromQDateTime(const QDateTime& value)
{
    if (!value.isValid())
        return std::nullopt;
    const QDate date = value.date();
    const QTime time = value.time();
    DateTime result { date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second() };
    if (!isValid(result))
        return std::nullopt;
    return result;
}

} // namespace corvane::platform::jet
