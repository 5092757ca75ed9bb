#include "platform/jet/jet_schema.h"

#include <memory>
#include <sqlite3.h>

namespace corvane::platform::jet {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

StatementPtr prepare(sqlite3* db, const char* sql, const QString& argument = QString())
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    StatementPtr statement(raw);
    if (!argument.isNull()) {
        const QByteArray utf8 = argument.toUtf8();
        sqlite3_bind_text(raw, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    return statement;
}

QString text(sqlite3_stmt* statement, int column)
{
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return value ? QString::fromUtf8(value, sqlite3_column_bytes(statement, column)) : QString();
}

QString collationOf(sqlite3* db, const QString& table, const QString& column)
{
    const char* collation = nullptr;
    if (sqlite3_table_column_metadata(db, "main", table.toUtf8().constData(), column.toUtf8().constData(),
            nullptr, &collation, nullptr, nullptr, nullptr)
            != SQLITE_OK
        || !collation)
        return QStringLiteral("BINARY");
    return QString::fromUtf8(collation).toUpper();
}

} // namespace

const SchemaSnapshot::Column* SchemaSnapshot::Table::column(const QString& wanted) const
{
    for (const Column& c : columns) {
        if (c.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const SchemaSnapshot::Column* SchemaSnapshot::Table::rowIdAlias() const
{
    const Column* key = nullptr;
    for (const Column& c : columns) {
        if (c.primaryKey > 0) {
            if (key)
                return nullptr; // a composite key is no rowid alias
            key = &c;
        }
    }
    return key && key->declaredType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0 ? key
                                                                                                : nullptr;
}

const SchemaSnapshot::Table* SchemaSnapshot::table(const QString& wanted) const
{
    for (const Table& t : tables) {
        if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

SchemaSnapshot readSchema(sqlite3* db)
{
    SchemaSnapshot schema;
    if (auto list
        = prepare(db, "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite_%'")) {
        while (sqlite3_step(list.get()) == SQLITE_ROW)
            schema.tables.push_back({ text(list.get(), 0), {}, {} });
    }
    for (SchemaSnapshot::Table& table : schema.tables) {
        if (auto info = prepare(
                db, "SELECT name, type, \"notnull\", pk, hidden FROM pragma_table_xinfo(?1)", table.name)) {
            while (sqlite3_step(info.get()) == SQLITE_ROW) {
                if (sqlite3_column_int(info.get(), 4) != 0)
                    continue; // hidden columns of virtual tables
                SchemaSnapshot::Column column;
                column.name = text(info.get(), 0);
                column.declaredType = text(info.get(), 1);
                column.notNull = sqlite3_column_int(info.get(), 2) != 0;
                column.primaryKey = sqlite3_column_int(info.get(), 3);
                column.collation = collationOf(db, table.name, column.name);
                table.columns.push_back(column);
            }
        }
        if (auto indexes = prepare(db,
                "SELECT name FROM pragma_index_list(?1) WHERE \"unique\" = 1 AND partial = 0", table.name)) {
            while (sqlite3_step(indexes.get()) == SQLITE_ROW) {
                QStringList columns;
                if (auto parts = prepare(db, "SELECT name FROM pragma_index_info(?1) ORDER BY seqno",
                        text(indexes.get(), 0))) {
                    while (sqlite3_step(parts.get()) == SQLITE_ROW)
                        columns << text(parts.get(), 0);
                }
                // An index over an expression has a column without a name.
                if (!columns.isEmpty() && !columns.contains(QString()))
                    table.uniqueIndexes.push_back(columns);
            }
        }
    }
    return schema;
}

} // namespace corvane::platform::jet
