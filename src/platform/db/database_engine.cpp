#include "platform/db/database_engine.h"

#include "platform/failure/failure_codes.h"

#include <sqlite3.h>

namespace corvane::platform::db {

DatabaseEngine::DatabaseEngine(NowSource now)
    : m_now(std::move(now))
{
    if (sqlite3_libversion_number() < MinimumVersionNumber)
        throw failure::DatabaseEngineError.make(
            QStringLiteral("SQLite 3.39.0 or later is needed, found ") + libraryVersion());
}

Connection DatabaseEngine::open(const QString& path, OpenMode mode) const
{
    return Connection(path, mode, m_now);
}

QString DatabaseEngine::libraryVersion() const
{
    return QString::fromLatin1(sqlite3_libversion());
}

} // namespace corvane::platform::db
