#pragma once

#include "platform/jet/translator/schema.h"

#include <QString>

namespace corvane::platform::db {

class Connection;

// The one place that reads what a database's tables hold: the translator's
// schema snapshot and the write path's columns both come from here.

// Every table, with columns, collations and unique indexes.
jet::SchemaSnapshot readSchema(const Connection& connection);

// One table; no columns when there is no such table. Hidden and generated
// columns are left out: nothing writes them.
jet::SchemaSnapshot::Table readTable(const Connection& connection, const QString& name);

} // namespace corvane::platform::db
