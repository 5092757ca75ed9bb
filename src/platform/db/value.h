#pragma once

#include <QString>
#include <concepts>
#include <cstdint>
#include <variant>

namespace corvane::platform::db {

// One column value as the database hands it over: Null, a whole number, a
// double or text. Keeps the storage class, which the grids and dates need.
class Value {
public:
    enum class Type { Null, Integer, Double, Text };

    Value() = default;
    template <std::integral T>
    requires(!std::same_as<T, bool>) Value(T number)
        : m_data(static_cast<std::int64_t>(number))
    {
    }
    Value(bool) = delete;
    Value(double number)
        : m_data(number)
    {
    }
    Value(QString text)
        : m_data(std::move(text))
    {
    }
    Value(const char*) = delete; // say QStringLiteral, so the encoding is never guessed

    Type type() const { return static_cast<Type>(m_data.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isInteger() const { return type() == Type::Integer; }
    bool isDouble() const { return type() == Type::Double; }
    bool isNumber() const { return isInteger() || isDouble(); }
    bool isText() const { return type() == Type::Text; }

    // Conversions: a number from text reads the whole text in the C locale
    // (surrounding spaces allowed); a double becomes whole by rounding half
    // away from zero. *ok is false for Null, unreadable text or overflow, and
    // the result is then 0.
    std::int64_t toInt64(bool* ok = nullptr) const;
    double toDouble(bool* ok = nullptr) const;
    // The text itself, or the display text of a number; Null gives "".
    QString toText() const { return displayText(); }

    // The text a grid or an export shows: Null is empty, a double without a
    // fraction has no ".0" (460, not 460.0), other doubles the shortest text
    // that reads back to the same number.
    QString displayText() const;

    friend bool operator==(const Value&, const Value&) = default;

private:
    std::variant<std::monostate, std::int64_t, double, QString> m_data;
};

} // namespace corvane::platform::db
