#pragma once

#include "platform/db/connection.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane::platform::db::testing {

// A real database file in a fresh temporary folder, made with the given
// statements.
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
