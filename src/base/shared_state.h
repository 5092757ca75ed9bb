#pragma once

#include "platform/grid/grid_sort_order.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace corvane {

class Clock;

namespace platform::db {
class DatabaseEngine;
}

// What the main window's load builds and the rest of the program reads:
// one object, owned by the main window and handed on by reference.
class SharedState {
public:
    static constexpr const char* DatabaseFileName = "syslog97.mdb";

    // The database reads "now" from clock (Now() in queries, dates without a
    // year); without one, from the system clock.
    explicit SharedState(QString programFolder, const Clock* clock = nullptr);
    ~SharedState();

    const QString& programFolder() const { return m_programFolder; }
    // The program's folder joined with the database file name.
    static QString databasePathIn(const QString& programFolder);

    // Empty until the load has built it.
    QString databasePath;
    // The direction of the next heading-click sort in either grid:
    // 1 descending, 2 ascending; 0 when the load stopped before setting it.
    platform::GridSortOrder GridSortOrder = platform::GridSortOrder::Unset;

    // The engine object, created on first use.
    platform::db::DatabaseEngine& engine();

private:
    QString m_programFolder;
    const Clock* m_clock;
    std::unique_ptr<platform::db::DatabaseEngine> m_engine;
};

} // namespace corvane
