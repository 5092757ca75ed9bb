#include "platform/db/table_columns.h"

#include "platform/db/schema_reader.h"
#include "platform/db/sqlite_failure.h"
#include "platform/jet/common/date.h"

namespace corvane::platform::db {

TableColumns::TableColumns(const Connection& connection, const QString& table)
    : m_table(table)
    , m_now(connection.nowSource())
    , m_columns(readTable(connection, table).columns)
{
    for (const Column& column : m_columns) {
        m_byFoldedName.insert(column.name.toCaseFolded(), static_cast<int>(m_names.size()));
        m_names.append(column.name);
        m_isDate.push_back(column.isDate());
    }
    if (m_columns.empty())
        throw namedFailure(failure::TableNotFound, table);
}

int TableColumns::indexOf(const QString& name) const
{
    return m_byFoldedName.value(name.toCaseFolded(), -1);
}

int TableColumns::require(const QString& name) const
{
    const int index = indexOf(name);
    if (index < 0)
        throw failureWithDetail(failure::ItemNotFound, name);
    return index;
}

Value TableColumns::toStored(int index, const Value& value) const
{
    if (!m_isDate[static_cast<std::size_t>(index)] || value.isNull())
        return value;
    if (value.isNumber()) {
        if (const auto date = jet::fromSerial(value.toDouble()))
            return Value(jet::formatCanonical(*date));
        // Beyond the last date: kept as written, never as "1e+12.0".
        return Value(value.displayText());
    }
    const QString text = value.toText();
    if (const auto date = jet::parseDate(text, m_now().date().year()))
        return Value(jet::formatCanonical(*date));
    return value;
}

Value TableColumns::toStored(int /*index*/, const QDateTime& value) const
{
    if (const auto date = jet::fromQDateTime(value))
        return Value(jet::formatCanonical(*date));
    return Value();
}

} // namespace corvane::platform::db
