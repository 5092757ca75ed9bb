#include "platform/db/transaction.h"

#include "platform/db/connection.h"

#include <sqlite3.h>

namespace corvane::platform::db {

Transaction::Transaction(Connection& connection, Kind kind)
    : m_connection(connection)
{
    m_connection.execute(
        kind == Kind::Immediate ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
}

Transaction::~Transaction()
{
    // Errors cannot leave a destructor; ROLLBACK of an open transaction only
    // fails when SQLite already rolled it back itself.
    if (m_open && m_connection.inTransaction())
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_connection.execute(QStringLiteral("COMMIT"));
    m_open = false;
}

void Transaction::rollback()
{
    m_open = false;
    if (m_connection.inTransaction())
        m_connection.execute(QStringLiteral("ROLLBACK"));
}

} // namespace corvane::platform::db
