#include "base/conversions.h"

#include "platform/failure/failure_codes.h"

#include <cmath>
#include <limits>

namespace corvane {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Length of the number at the start of text (after no blanks), 0 if none.
qsizetype numberLength(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

qsizetype blanksAt(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    return i;
}

} // namespace

double leadingNumber(QStringView text)
{
    text = text.mid(blanksAt(text));
    const qsizetype length = numberLength(text);
    if (length == 0)
        return 0.0;
    bool ok = false;
    const double value = text.left(length).toDouble(&ok);
    if (!ok) // only a number beyond the double range gets here
        throw platform::failure::Overflow.make();
    return value;
}

std::int32_t toWholeNumber(double value)
{
    if (!std::isfinite(value))
        throw platform::failure::Overflow.make();
    const double rounded = roundHalfEven(value);
    if (rounded < std::numeric_limits<std::int32_t>::min()
        || rounded > std::numeric_limits<std::int32_t>::max())
        throw platform::failure::Overflow.make();
    return static_cast<std::int32_t>(rounded);
}

std::int32_t toWholeNumber(const QString& text)
{
    const QStringView trimmed = QStringView(text).trimmed();
    const qsizetype length = numberLength(trimmed);
    if (trimmed.isEmpty() || length != trimmed.size())
        throw platform::failure::TypeMismatch.make();
    return toWholeNumber(trimmed.toDouble());
}

} // namespace corvane
