#include "platform/jet/sqlite/functions.h"

#include "platform/jet/sqlite/function_support.h"

namespace corvane::platform::jet {

namespace {

// Each registration owns a copy of the now-source; SQLite frees it when the
// function goes, so a moved or closed connection leaves nothing dangling.
void* nowCopy(const NowSource& now)
{
    return new NowSource(now);
}

void deleteNow(void* now)
{
    delete static_cast<NowSource*>(now);
}

} // namespace

void registerFunctions(sqlite3* db, const NowSource& now)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    for (const auto family :
        { functions::textFunctions(), functions::numberFunctions(), functions::dateFunctions() }) {
        for (const functions::ScalarFunction& f : family)
            sqlite3_create_function_v2(
                db, f.name, f.args, flags, nowCopy(now), f.function, nullptr, nullptr, deleteNow);
    }
    // First and Last depend on row order, so they are not deterministic.
    for (const functions::AggregateFunction& a : functions::aggregateFunctions())
        sqlite3_create_function_v2(
            db, a.name, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, nowCopy(now), nullptr, a.step, a.final, deleteNow);
}

} // namespace corvane::platform::jet
