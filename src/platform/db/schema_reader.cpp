#include "platform/db/schema_reader.h"

#include "platform/db/connection.h"
#include "platform/db/statement.h"

#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

QString collationOf(const Connection& connection, const QString& table, const QString& column)
{
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(connection.handle(), "main", table.toUtf8().constData(),
            column.toUtf8().constData(), nullptr, &collation, nullptr, nullptr, nullptr)
            != SQLITE_OK
        || !collation)
        return QStringLiteral("BINARY");
    return QString::fromUtf8(collation).toUpper();
}

QStringList names(const Connection& connection, const QString& sql, const QString& argument)
{
    Statement statement(connection, sql);
    statement.bind(1, Value(argument));
    QStringList out;
    while (statement.step())
        out << statement.column(0).toText();
    return out;
}

} // namespace

jet::SchemaSnapshot::Table readTable(const Connection& connection, const QString& name)
{
    jet::SchemaSnapshot::Table table { name, {}, {} };
    Statement info(
        connection, QStringLiteral("SELECT name, type, \"notnull\", pk, hidden FROM pragma_table_xinfo(?)"));
    info.bind(1, Value(name));
    while (info.step()) {
        if (info.column(4).toInt64() != 0)
            continue; // hidden or generated
        jet::SchemaSnapshot::Column column;
        column.name = info.column(0).toText();
        column.declaredType = info.column(1).toText();
        column.notNull = info.column(2).toInt64() != 0;
        column.primaryKey = static_cast<int>(info.column(3).toInt64());
        column.collation = collationOf(connection, name, column.name);
        table.columns.push_back(column);
    }
    const QStringList uniqueIndexes = names(connection,
        QStringLiteral("SELECT name FROM pragma_index_list(?) WHERE \"unique\" = 1 AND partial = 0"), name);
    for (const QString& index : uniqueIndexes) {
        const QStringList columns = names(
            connection, QStringLiteral("SELECT name FROM pragma_index_info(?) ORDER BY seqno"), index);
        // An index over an expression has a column without a name.
        if (!columns.isEmpty() && !columns.contains(QString()))
            table.uniqueIndexes.push_back(columns);
    }
    return table;
}

jet::SchemaSnapshot readSchema(const Connection& connection)
{
    jet::SchemaSnapshot schema;
    Statement list(connection,
        QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_%'"));
    while (list.step())
        schema.tables.push_back(readTable(connection, list.column(0).toText()));
    return schema;
}

} // namespace corvane::platform::db
