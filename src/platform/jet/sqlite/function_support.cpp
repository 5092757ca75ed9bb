#include "platform/jet/sqlite/function_support.h"

#include <cmath>

namespace corvane::platform::jet::functions {

[[noreturn]] void fail(const char* message)
{
    throw FunctionError { QString::fromLatin1(message) };
}

JetValue read(sqlite3_value* value)
{
    JetValue v;
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        v.kind = JetValue::Kind::Number;
        v.number = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT: {
        v.text = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
        if (const auto date = parseCanonical(v.text)) {
            v.kind = JetValue::Kind::Date;
            v.date = *date;
        } else {
            v.kind = JetValue::Kind::Text;
        }
        break;
    }
    case SQLITE_NULL:
        break;
    default: // blobs do not occur in our tables; read them as text
        v.kind = JetValue::Kind::Text;
        v.text = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    }
    return v;
}

std::optional<double> readNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || text.trimmed().isEmpty())
        return std::nullopt;
    return value;
}

double toNumber(const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Number:
        return v.number;
    case JetValue::Kind::Date:
        return toSerial(v.date);
    case JetValue::Kind::Text:
        if (const auto n = readNumber(v.text))
            return *n;
        fail("Type mismatch");
    case JetValue::Kind::Null:
        break;
    }
    return 0;
}

namespace {

QString numberText(double value)
{
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}

} // namespace

QString toText(const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Number:
        return numberText(v.number);
    case JetValue::Kind::Date:
        return formatCanonical(v.date);
    case JetValue::Kind::Text:
        return v.text;
    case JetValue::Kind::Null:
        break;
    }
    return {};
}

std::optional<DateTime> toDate(sqlite3_context* context, const JetValue& v)
{
    switch (v.kind) {
    case JetValue::Kind::Date:
        return v.date;
    case JetValue::Kind::Number:
        return fromSerial(v.number);
    case JetValue::Kind::Text: {
        const auto* now = static_cast<const NowSource*>(sqlite3_user_data(context));
        return parseDate(v.text, (*now)().date().year());
    }
    case JetValue::Kind::Null:
        break;
    }
    return std::nullopt;
}

void resultNumber(sqlite3_context* context, double value)
{
    if (!std::isfinite(value))
        fail("Overflow");
    if (value == std::floor(value) && std::fabs(value) < 9e15)
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(value));
    else
        sqlite3_result_double(context, value);
}

void resultText(sqlite3_context* context, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_text(context, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void resultDate(sqlite3_context* context, const std::optional<DateTime>& date)
{
    if (!date)
        fail("Overflow");
    resultText(context, formatCanonical(*date));
}

bool anyNull(int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    }
    return false;
}

void resultError(sqlite3_context* context, const QString& message)
{
    const QByteArray utf8 = message.toUtf8();
    sqlite3_result_error(context, utf8.constData(), static_cast<int>(utf8.size()));
}

} // namespace corvane::platform::jet::functions
