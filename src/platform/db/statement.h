#pragma once

#include "platform/db/value.h"

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace corvane::platform::db {

class Connection;

// One prepared SQL statement. Exactly one statement per text: anything but
// blanks after it fails, so a second statement can never slip through.
class Statement {
public:
    enum class Lifetime { Once, Persistent }; // Persistent: kept and re-run many times

    Statement(const Connection& connection, const QString& sql, Lifetime lifetime = Lifetime::Once);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1.
    void bind(int index, const Value& value);
    void clearBindings();
    // Runs to the next row: true while a row is there, false when done.
    // A failure resets the statement, so it leaves no lock or open write.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int index) const;
    Value column(int index) const;

    bool isReadOnly() const;
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace corvane::platform::db
