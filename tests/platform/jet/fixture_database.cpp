#include "fixture_database.h"

#include "platform/db/schema_reader.h"

#include <sqlite3.h>

namespace corvane::platform::jet {

namespace {

const char* const Schema[] = {
    "CREATE TABLE syslog (logno INTEGER PRIMARY KEY, [NetScreen device_id=] TEXT COLLATE NOCASE,"
    " [src zone=] TEXT COLLATE NOCASE, [src=] TEXT COLLATE NOCASE, [start_time=] DATETEXT,"
    " [action=] TEXT COLLATE NOCASE, [service=] TEXT COLLATE NOCASE, [dst_port=] TEXT COLLATE NOCASE,"
    " LogDate DATETEXT, [sent+rcvd] REAL)",
    "CREATE INDEX syslog_start_time ON syslog([start_time=])",
    "CREATE TABLE missed (syslog TEXT COLLATE NOCASE)",
    "CREATE TABLE Statustype ([Status Type] TEXT COLLATE NOCASE)",
    "CREATE TABLE Membershipdetails ([Membership Status] TEXT COLLATE NOCASE)",
    "CREATE TABLE paymentdetails ([Payment Amount] REAL, [payment date] DATETEXT)",
    "CREATE TABLE SignIn (MembershipID INTEGER, [date] DATETEXT)",

    "INSERT INTO syslog (logno, [src zone=], [src=], [start_time=], [sent+rcvd], [action=], [service=], "
    "[dst_port=])"
    " VALUES (1, 'Trust', '192.0.2.1', '2026-12-04 15:04:05', 100, 'Permit', 'dns', '80'),"
    " (2, 'trust', '192.0.2.17', '2026-12-05 09:00:00', 50, 'Deny', 'http', '443'),"
    " (3, 'Untrust', '198.51.100.7', '2026-12-05 15:04:06', 25, 'Permit', '100%', NULL),"
    " (4, '0', '10.0.0.1', '1899-12-30 00:00:00', 0, '0', '0', '0'),"
    " (5, 'DMZ', '192.0.2.5', '2026-12-03 23:59:59', 70, 'Permit', 'a#b', '53')",
    "INSERT INTO Statustype VALUES ('Active'), ('Lapsed'), ('Members'' Club')",
    "INSERT INTO Membershipdetails VALUES ('Active'), ('active'), ('ACTIVE'), ('Lapsed'), (NULL)",
    "INSERT INTO paymentdetails VALUES (10, '2026-07-01 00:00:00'), (20, '2026-07-31 00:00:00'),"
    " (40, '2026-07-31 10:00:00'), (80, '2026-08-01 00:00:00')",
    "INSERT INTO SignIn VALUES (1, '2028-02-01 00:00:00'), (2, '2028-02-29 00:00:00'),"
    " (3, '2028-02-29 08:00:00'), (4, '2028-03-01 00:00:00')",
};

QVariant cell(sqlite3_stmt* statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
        return QVariant();
    default:
        return QVariant(
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                sqlite3_column_bytes(statement, column)));
    }
}

} // namespace

QDateTime fixtureClock()
{
    return QDateTime(QDate(2026, 12, 5), QTime(15, 4, 5));
}

FixtureDatabase::FixtureDatabase()
    : m_connection(db::Connection::createNew(m_dir.filePath(QStringLiteral("fixture.mdb")), fixtureClock))
{
    for (const char* sql : Schema)
        exec(QString::fromUtf8(sql));
    m_schema = db::readSchema(m_connection);
}

FixtureDatabase::Result FixtureDatabase::run(const QString& sql) const
{
    sqlite3* const db = m_connection.handle();
    Result result;
    const QByteArray utf8 = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &statement, &tail)
        != SQLITE_OK) {
        result.error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(statement);
        return result;
    }
    if (QString::fromUtf8(tail).trimmed().size() > 0) {
        result.error = QStringLiteral("text after the statement: ") + QString::fromUtf8(tail);
        sqlite3_finalize(statement);
        return result;
    }
    result.prepared = true;
    for (int i = 0; i < sqlite3_column_count(statement); ++i)
        result.columns << QString::fromUtf8(sqlite3_column_name(statement, i));
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<QVariant> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i)
            row.push_back(cell(statement, i));
        result.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        result.error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return result;
}

} // namespace corvane::platform::jet
