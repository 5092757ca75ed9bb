#pragma once

#include "base/clock.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "program_folder.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

namespace corvane::testing {

inline const QDateTime Afternoon(QDate(2026, 12, 5), QTime(15, 4, 5));

// A new program folder whose database the charts read, scripted dialogs and a
// fixed clock.
class ChartTest : public ::testing::Test {
protected:
    ChartTest() { state.databasePath = SharedState::databasePathIn(folder.path()); }

    // Writes test rows straight into the file, in SQLite's own dialect.
    void execute(const QString& sql) const;
    // The box text the program shows when the query fails on the file.
    QString failureText(const QString& query) const;

    ProgramFolder folder;
    ScriptedDialogs dialogs;
    ErrorLogger logger { folder.path(), dialogs };
    SharedState state { folder.path() };
    FixedClock clock { Afternoon };
};

} // namespace corvane::testing
