#include "platform/db/sqlite_failure.h"

#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

// "no such column: x" and "no such table: x" carry the name after the colon.
QString nameAfter(const QString& message, const QString& prefix)
{
    return message.mid(prefix.size()).trimmed();
}

} // namespace

Failure failureWithDetail(const failure::Code& code, const QString& detail)
{
    return Failure(code.number,
        QString::fromUtf8(code.description) + QStringLiteral(" (") + detail + QStringLiteral(")"));
}

Failure namedFailure(const failure::Code& code, const QString& name, const QString& detail)
{
    QString text = QString::fromUtf8(code.description);
    const QString quoted = QStringLiteral("'") + name + QStringLiteral("'");
    if (code.number == failure::NotAValidPath.number) {
        text = quoted + QLatin1Char(' ') + text;
    } else {
        const qsizetype stop = text.indexOf(QLatin1Char('.'));
        if (stop < 0)
            text += QLatin1Char(' ') + quoted + QLatin1Char('.');
        else
            text.insert(stop, QLatin1Char(' ') + quoted);
    }
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QStringLiteral(")");
    return Failure(code.number, text);
}

Failure sqliteFailure(int resultCode, const QString& message)
{
    using namespace failure;
    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return failureWithDetail(CurrentlyLocked, message);
    case SQLITE_FULL:
        return failureWithDetail(DiskFull, message);
    case SQLITE_IOERR:
        return failureWithDetail(DiskError, message);
    case SQLITE_READONLY:
        return failureWithDetail(CannotUpdate, message);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
        return failureWithDetail(CannotOpenDatabase, message);
    case SQLITE_NOMEM:
        return failureWithDetail(OutOfMemory, message);
    case SQLITE_AUTH:
        return failureWithDetail(InvalidSqlStatement, message);
    case SQLITE_ERROR: {
        static const QString noColumn = QStringLiteral("no such column:");
        static const QString noTable = QStringLiteral("no such table:");
        if (message.startsWith(noColumn))
            return failureWithDetail(TooFewParameters,
                QStringLiteral("unknown name: ") + nameAfter(message, noColumn) + QStringLiteral("; ")
                    + message);
        if (message.startsWith(noTable))
            return namedFailure(TableNotFound, nameAfter(message, noTable), message);
        if (message.contains(QStringLiteral("syntax error"))
            || message.contains(QStringLiteral("unrecognized token")))
            return failureWithDetail(SyntaxErrorInQuery, message);
        return failureWithDetail(DatabaseEngineError, message);
    }
    default:
        return failureWithDetail(DatabaseEngineError, message);
    }
}

Failure sqliteFailure(sqlite3* db, int resultCode)
{
    const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    return sqliteFailure(resultCode, QString::fromUtf8(message));
}

} // namespace corvane::platform::db
