#include "base/shared_state.h"

#include "platform/db/database_engine.h"

#include <QDir>

namespace corvane {

SharedState::SharedState(QString programFolder)
    : m_programFolder(std::move(programFolder))
{
}

SharedState::~SharedState() = default;

QString SharedState::databasePathIn(const QString& programFolder)
{
    return programFolder + QDir::separator() + QLatin1String(DatabaseFileName);
}

platform::db::DatabaseEngine& SharedState::engine()
{
    if (!m_engine)
        m_engine = std::make_unique<platform::db::DatabaseEngine>();
    return *m_engine;
}

} // namespace corvane
