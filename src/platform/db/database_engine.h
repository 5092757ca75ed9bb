#pragma once

#include "platform/db/connection.h"

#include <QString>

namespace corvane::platform::db {

// The engine object the program holds once: it checks at creation that the
// SQLite library is new enough for the queries we run (RIGHT JOIN), then
// opens connections by path, each reading "now" from the engine's source.
class DatabaseEngine {
public:
    static constexpr int MinimumVersionNumber = 3039000;

    explicit DatabaseEngine(NowSource now = systemNow());

    Connection open(const QString& path, OpenMode mode = OpenMode::ReadWrite) const;
    QString libraryVersion() const;

private:
    NowSource m_now;
};

} // namespace corvane::platform::db
