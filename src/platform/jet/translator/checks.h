#pragma once

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/schema.h"

namespace corvane::platform::jet {

// The rules Jet enforces that SQLite would let pass, silently returning
// other rows: functions unknown to DAO, non-grouped columns, aggregates
// where none may stand, ORDER BY by position, a date column compared with
// a text, DISTINCTROW over joins. Fails with Jet's number and wording.
// Without a schema snapshot the type check is skipped.
void checkQuery(const Query& query, const SchemaSnapshot* schema);

} // namespace corvane::platform::jet
