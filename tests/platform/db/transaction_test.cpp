#include "db_test_support.h"
#include "platform/db/transaction.h"

using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

TEST(Transaction, RollsBackUnlessCommitted)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    Connection connection = scratch.open();
    {
        Transaction transaction(connection);
        connection.execute(QStringLiteral("INSERT INTO t VALUES (1)"));
    }
    {
        Transaction transaction(connection, Transaction::Kind::Immediate);
        connection.execute(QStringLiteral("INSERT INTO t VALUES (2)"));
        transaction.commit();
    }
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(
        firstValue(connection, QStringLiteral("SELECT group_concat(x) FROM t")), Value(QStringLiteral("2")));
}

} // namespace
