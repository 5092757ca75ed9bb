#include "platform/db/statement.h"

#include "platform/db/connection.h"
#include "platform/db/sqlite_failure.h"

#include <QByteArray>
#include <cctype>
#include <sqlite3.h>
#include <utility>

namespace corvane::platform::db {

namespace {

bool isBlank(const char* text)
{
    for (; *text; ++text)
        if (!std::isspace(static_cast<unsigned char>(*text)))
            return false;
    return true;
}

} // namespace

Statement::Statement(const Connection& connection, const QString& sql, Lifetime lifetime)
    : m_db(connection.handle())
{
    const QByteArray text = sql.toUtf8();
    const char* tail = nullptr;
    const unsigned flags = lifetime == Lifetime::Persistent ? SQLITE_PREPARE_PERSISTENT : 0;
    const int rc = sqlite3_prepare_v3(
        m_db, text.constData(), static_cast<int>(text.size() + 1), flags, &m_stmt, &tail);
    if (rc != SQLITE_OK)
        throw sqliteFailure(m_db, rc);
    if (!m_stmt)
        throw failure::InvalidSqlStatement.make(QStringLiteral("the text holds no statement"));
    if (tail && !isBlank(tail)) {
        sqlite3_finalize(std::exchange(m_stmt, nullptr));
        throw failure::CharactersAfterEnd.make();
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db)
    , m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

void Statement::bind(int index, const Value& value)
{
    int rc = SQLITE_OK;
    switch (value.type()) {
    case Value::Type::Null:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case Value::Type::Integer:
        rc = sqlite3_bind_int64(m_stmt, index, value.toInt64());
        break;
    case Value::Type::Double:
        rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    case Value::Type::Text: {
        // In the encoding the file stores, with its length, so embedded NULs
        // stay; Qt's conversion is faster than SQLite's own from UTF-16.
        const QByteArray text = value.displayText().toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        throw sqliteFailure(m_db, rc);
}

void Statement::clearBindings()
{
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Failure failure = sqliteFailure(m_db, rc);
    sqlite3_reset(m_stmt);
    throw failure;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int index) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, index));
}

Value Statement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_INTEGER:
        return Value(static_cast<std::int64_t>(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_stmt, index));
    case SQLITE_NULL:
        return Value();
    default: {
        // Text (and blobs, read as UTF-8 text), with the byte count so NULs stay.
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        const int size = sqlite3_column_bytes(m_stmt, index);
        return Value(QString::fromUtf8(bytes, size));
    }
    }
}

bool Statement::isReadOnly() const
{
    return sqlite3_stmt_readonly(m_stmt) != 0;
}

} // namespace corvane::platform::db
