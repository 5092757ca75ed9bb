#include "base/shared_state.h"

#include "base/clock.h"
#include "platform/db/database_engine.h"

#include <QDir>

namespace corvane {

SharedState::SharedState(QString programFolder, const Clock* clock)
    : m_programFolder(std::move(programFolder))
    , m_clock(clock)
{
}

SharedState::~SharedState() = default;

QString SharedState::databasePathIn(const QString& programFolder)
{
    return programFolder + QDir::separator() + QLatin1String(DatabaseFileName);
}

platform::db::DatabaseEngine& SharedState::engine()
{
    if (!m_engine) {
        const Clock* clock = m_clock;
        m_engine = std::make_unique<platform::db::DatabaseEngine>(
            clock ? platform::db::NowSource([clock] { return clock->now(); }) : platform::db::systemNow());
    }
    return *m_engine;
}

} // namespace corvane
