#pragma once

struct sqlite3;

namespace corvane::platform::jet {

// Registers the jet_* functions that translated queries call. The database
// layer calls it on every connection it opens, before first use.
void registerFunctions(sqlite3* db);

} // namespace corvane::platform::jet
