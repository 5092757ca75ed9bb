#include "platform/db/value.h"

#include <QLocale>
#include <cmath>

namespace corvane::platform::db {

namespace {

// Doubles up to 2^53 are whole exactly; beyond that they show in exponent form.
constexpr double LargestExactWhole = 9007199254740992.0;

bool fitsInt64(double number)
{
    return number >= -9223372036854775808.0 && number < 9223372036854775808.0;
}

} // namespace

std::int64_t Value::toInt64(bool* ok) const
{
    bool good = false;
    std::int64_t result = 0;
    switch (type()) {
    case Type::Null:
        break;
    case Type::Integer:
        result = std::get<std::int64_t>(m_data);
        good = true;
        break;
    case Type::Double:
    case Type::Text: {
        if (isText()) {
            const QString trimmed = std::get<QString>(m_data).trimmed();
            result = trimmed.toLongLong(&good);
            if (good)
                break;
        }
        bool numeric = false;
        const double number = toDouble(&numeric);
        const double rounded = std::round(number);
        if (numeric && std::isfinite(rounded) && fitsInt64(rounded)) {
            result = static_cast<std::int64_t>(rounded);
            good = true;
        }
        break;
    }
    }
    if (ok)
        *ok = good;
    return good ? result : 0;
}

double Value::toDouble(bool* ok) const
{
    bool good = false;
    double result = 0;
    switch (type()) {
    case Type::Null:
        break;
    case Type::Integer:
        result = static_cast<double>(std::get<std::int64_t>(m_data));
        good = true;
        break;
    case Type::Double:
        result = std::get<double>(m_data);
        good = true;
        break;
    case Type::Text:
        result = std::get<QString>(m_data).trimmed().toDouble(&good);
        break;
    }
    // NaN is no number to sum or compare (SQLite itself stores it as Null).
    if (good && std::isnan(result))
        good = false;
    if (ok)
        *ok = good;
    return good ? result : 0;
}

QString Value::displayText() const
{
    switch (type()) {
    case Type::Null:
        return QString();
    case Type::Integer:
        return QString::number(std::get<std::int64_t>(m_data));
    case Type::Double: {
        const double number = std::get<double>(m_data);
        if (number == 0)
            return QStringLiteral("0"); // also -0
        if (std::trunc(number) == number && std::fabs(number) <= LargestExactWhole)
            return QString::number(static_cast<std::int64_t>(number));
        return QString::number(number, 'g', QLocale::FloatingPointShortest);
    }
    case Type::Text:
        return std::get<QString>(m_data);
    }
    return QString();
}

} // namespace corvane::platform::db
