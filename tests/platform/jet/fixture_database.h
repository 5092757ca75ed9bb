#pragma once

#include "platform/db/connection.h"
#include "platform/jet/translator/schema.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>
#include <vector>

namespace corvane::platform::jet {

// The clock every translation in these tests reads.
QDateTime fixtureClock();

// A scratch database, opened as the program opens one (the jet_* functions
// registered, the fixture's clock as its now-source), with the tables
// of the program's database (text columns NOCASE, dates as DATETEXT,
// logno the INTEGER PRIMARY KEY) holding the shared fixture rows.
class FixtureDatabase {
public:
    struct Result {
        QStringList columns;
        std::vector<std::vector<QVariant>> rows; // qlonglong, double, QString or null
        QString error; // SQLite's message when preparing or stepping failed
        bool prepared = false; // one statement, nothing after it
    };

    FixtureDatabase();

    const SchemaSnapshot& schema() const { return m_schema; }
    void exec(const QString& sql) { m_connection.execute(sql); }

    // Raw SQLite, not the database layer, so the messages are SQLite's own.
    Result run(const QString& sql) const;

private:
    QTemporaryDir m_dir;
    db::Connection m_connection;
    SchemaSnapshot m_schema;
};

} // namespace corvane::platform::jet
