#pragma once

#include "platform/jet/common/date.h"

struct sqlite3;

namespace corvane::platform::jet {

// Registers the jet_* functions that translated queries call. The database
// layer calls it on every connection it opens, before first use. A date text
// without a year takes the year of now().
void registerFunctions(sqlite3* db, const NowSource& now);

} // namespace corvane::platform::jet
