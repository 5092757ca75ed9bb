#include "platform/db/sqlite_query.h"

#include "platform/db/connection.h"
#include "platform/db/schema_reader.h"
#include "platform/jet/translator/translator.h"

namespace corvane::platform::db {

SqliteQuery toSqliteQuery(const Connection& connection, const QString& queryText)
{
    // The schema is read afresh: a handful of tables, and never stale.
    const jet::SchemaSnapshot schema = readSchema(connection);
    const jet::Translation translation = jet::translate(queryText, { connection.now(), &schema });
    return SqliteQuery { translation.sql, translation.hiddenTrailingColumns, translation.grouped,
        translation.filter, translation.keyed };
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace corvane::platform::db
