#pragma once

#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"

#include <QString>

struct sqlite3;

namespace corvane::platform::db {

// SQLite result codes become Failures carrying the Jet number that fits and,
// always, SQLite's own message, so a log entry says both what and why.
Failure sqliteFailure(int resultCode, const QString& sqliteMessage);
// Takes the message from the connection's last error.
Failure sqliteFailure(sqlite3* db, int resultCode);

// Jet names the object in its message: "Could not find file '<name>'.",
// "Cannot open database '<name>'. It may not be ...". The name goes before
// the first full stop of the catalogue wording; detail, when given, follows
// in parentheses.
Failure namedFailure(const failure::Code& code, const QString& name, const QString& detail = QString());
// The catalogue wording followed by detail in parentheses.
Failure failureWithDetail(const failure::Code& code, const QString& detail);

} // namespace corvane::platform::db
