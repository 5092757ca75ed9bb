#pragma once

#include "platform/db/connection.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace corvane::platform::db::testing {

// The failure number an action throws, or -1 when it throws none.
inline int failureNumber(const std::function<void()>& action, QString* description = nullptr)
{
    try {
        action();
    } catch (const Failure& failure) {
        if (description)
            *description = failure.description();
        return failure.number();
    }
    return -1;
}

// The first value of SQLite's own SQL, so checks do not lean on the dialect.
inline Value firstValue(const Connection& connection, const QString& sql)
{
    return ResultSet::fromSqlite(connection, SqliteQuery { sql, 0 }).value(0);
}

// A real database file in a fresh temporary folder, made with the given statements.
class ScratchDatabase {
public:
    explicit ScratchDatabase(const QStringList& schema = {})
    {
        EXPECT_TRUE(m_dir.isValid());
        Connection connection = Connection::createNew(path());
        for (const QString& sql : schema)
            connection.execute(sql);
    }

    QString path() const { return m_dir.filePath(QStringLiteral("test.mdb")); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    Connection open(OpenMode mode = OpenMode::ReadWrite) const { return Connection(path(), mode); }

private:
    QTemporaryDir m_dir;
};

} // namespace corvane::platform::db::testing
