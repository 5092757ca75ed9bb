#include "db_test_support.h"
#include "platform/db/sole_access.h"

#include <QProcess>

using namespace corvane::platform::db;
using namespace corvane::platform::db::testing;

namespace {

// The look sees a sqlite3 session that has read the file, never this
// process's own connections: those only the proof sees.
TEST(SoleAccess, TheLookSeesOtherProcessesAndTheProofEveryConnection)
{
    ScratchDatabase scratch({ QStringLiteral("CREATE TABLE t(x)") });
    EXPECT_FALSE(SoleAccess::lockedByAnotherProcess(scratch.file(QStringLiteral("absent.mdb"))));
    auto own = std::make_optional<Connection>(scratch.path());
    EXPECT_FALSE(SoleAccess::lockedByAnotherProcess(scratch.path()));
    EXPECT_FALSE(SoleAccess::tryTake(scratch.path()).has_value());
    own.reset();

    QProcess other;
    other.start(QStringLiteral("sqlite3"), { scratch.path() });
    ASSERT_TRUE(other.waitForStarted());
    other.write("SELECT count(*) FROM t;\n");
    ASSERT_TRUE(other.waitForReadyRead(10000));
    EXPECT_TRUE(SoleAccess::lockedByAnotherProcess(scratch.path()));
    EXPECT_FALSE(SoleAccess::tryTake(scratch.path()).has_value());
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished());
    EXPECT_FALSE(SoleAccess::lockedByAnotherProcess(scratch.path()));
    EXPECT_TRUE(SoleAccess::tryTake(scratch.path()).has_value());
}

} // namespace
