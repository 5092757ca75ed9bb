#include "chart_database.h"

#include "platform/db/connection.h"
#include "platform/db/result_set.h"

namespace corvane::testing {

namespace db = platform::db;

void ChartTest::execute(const QString& sql) const
{
    db::Connection connection(folder.databasePath());
    connection.execute(sql);
}

QString ChartTest::failureText(const QString& query) const
{
    try {
        const db::Connection connection(folder.databasePath());
        const db::ResultSet result(connection, query, db::QueryAccess::ReadOnly);
    } catch (const platform::Failure& failure) {
        return ErrorLogger::failureMessage(failure);
    }
    ADD_FAILURE() << "the query ran: " << query.toStdString();
    return {};
}

} // namespace corvane::testing
