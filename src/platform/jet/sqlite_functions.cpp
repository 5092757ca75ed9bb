#include "platform/jet/sqlite_functions.h"

#include <sqlite3.h>

namespace corvane::platform::jet {

void registerFunctions(sqlite3* /*db*/)
{
}

} // namespace corvane::platform::jet
