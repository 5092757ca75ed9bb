#include "platform/db/sqlite_query.h"

#include "platform/db/connection.h"

namespace corvane::platform::db {

SqliteQuery toSqliteQuery(const Connection& /*connection*/, const QString& queryText)
{
    // Query texts run as SQLite reads them until the Jet translator takes
    // this line over.
    return SqliteQuery { queryText, 0 };
}

QString quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace corvane::platform::db
