#include "platform/db/table_columns.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"
#include "platform/db/statement.h"
#include "platform/jet/jet_date.h"

#include <QDate>

namespace corvane::platform::db {

TableColumns::TableColumns(const Connection& connection, const QString& table)
    : m_table(table)
{
    Statement info(connection, QStringLiteral("SELECT name, type, hidden FROM pragma_table_xinfo(?)"));
    info.bind(1, Value(table));
    while (info.step()) {
        if (info.column(2).toInt64() != 0)
            continue; // generated or hidden: not written
        Column column;
        column.name = info.column(0).toText();
        column.declaredType = info.column(1).toText();
        column.isDate = column.declaredType.startsWith(QLatin1String("DATE"), Qt::CaseInsensitive);
        m_byFoldedName.insert(column.name.toCaseFolded(), static_cast<int>(m_columns.size()));
        m_names.append(column.name);
        m_columns.push_back(std::move(column));
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
    if (!at(index).isDate || value.isNull())
        return value;
    if (value.isNumber()) {
        if (const auto date = jet::fromSerial(value.toDouble()))
            return Value(jet::formatCanonical(*date));
        // Beyond the last date: kept as written, never as "1e+12.0".
        return Value(value.displayText());
    }
    const QString text = value.toText();
    if (const auto date = jet::parseDate(text, QDate::currentDate().year()))
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
