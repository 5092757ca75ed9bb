#pragma once

#include "platform/jet/jet_schema.h"
#include "qstring_printer.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>
#include <vector>

struct sqlite3;

namespace corvane::platform::jet::testing {

// The clock every translation in these tests reads.
QDateTime fixtureClock();

// An in-memory database with the jet_* functions registered and the tables
// of the program's database (text columns NOCASE, dates as DATETEXT,
// logno the INTEGER PRIMARY KEY) holding the shared fixture rows.
class FixtureDatabase {
public:
    struct Result {
        QStringList columns;
        std::vector<std::vector<QVariant>> rows; // qlonglong, double, QString or null
        QString error; // SQLite's message when preparing or stepping failed
        bool prepared = false;
    };

    FixtureDatabase();
    ~FixtureDatabase();
    FixtureDatabase(const FixtureDatabase&) = delete;
    FixtureDatabase& operator=(const FixtureDatabase&) = delete;

    sqlite3* handle() const { return m_db; }
    const SchemaSnapshot& schema() const { return m_schema; }
    void exec(const QString& sql);
    Result run(const QString& sql) const;
    // Empty when the text prepares as exactly one statement.
    QString prepareError(const QString& sql) const;

private:
    sqlite3* m_db = nullptr;
    SchemaSnapshot m_schema;
};

} // namespace corvane::platform::jet::testing
