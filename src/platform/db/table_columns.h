#pragma once

#include "platform/db/connection.h"
#include "platform/db/value.h"
#include "platform/jet/translator/schema.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::platform::db {

// The writable columns of one table, found by name without regard to case,
// and the write path that turns a value into what a column stores: a date
// column keeps canonical text, or the text as given when it is no date, so
// no row is ever refused for a damaged time stamp.
class TableColumns {
public:
    using Column = jet::SchemaSnapshot::Column;

    // Fails with 3078 when the table does not exist.
    TableColumns(const Connection& connection, const QString& table);

    const QString& table() const { return m_table; }
    int count() const { return static_cast<int>(m_columns.size()); }
    const Column& at(int index) const { return m_columns.at(static_cast<std::size_t>(index)); }
    const QStringList& names() const { return m_names; }

    // -1 when there is no such column.
    int indexOf(const QString& name) const;
    // Fails with 3265 when there is no such column.
    int require(const QString& name) const;

    // Dates: a number is a Jet serial (0 is 1899-12-30 00:00:00); text is
    // read as a date literal and stored canonically, or kept verbatim.
    // Other columns store the value unchanged.
    Value toStored(int index, const Value& value) const;
    // A date as canonical text; an invalid QDateTime is Null.
    Value toStored(int index, const QDateTime& value) const;

private:
    QString m_table;
    NowSource m_now; // the year of a date text without one
    std::vector<Column> m_columns;
    QStringList m_names;
    // Read once: the type is asked for every value written.
    std::vector<bool> m_isDate;
    QHash<QString, int> m_byFoldedName;
};

} // namespace corvane::platform::db
