#include "db_test_support.h"
#include "platform/db/statement.h"

using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

TEST(Statement, TextHoldsExactlyOneStatement)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    Connection connection = scratch.open();
    const std::pair<const char*, int> cases[] = { // -1: accepted
        { "SELECT 1 ;  \r\n\t", -1 }, { "SELECT 1; DELETE FROM t", 3142 }, { "SELECT 1;;", 3142 },
        { "   ", 3129 }, { "SELEC 1", 3075 }
    };
    for (const auto& [sql, number] : cases)
        EXPECT_EQ(failureNumber([&] { Statement(connection, QString::fromUtf8(sql)); }), number) << sql;
}

} // namespace
