#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::platform::jet {

// What the translator knows of the tables: enough to refuse a date column
// compared with a text and to see when an ORDER BY key is unique.
struct SchemaSnapshot {
    struct Column {
        QString name;
        QString declaredType;
        QString collation; // BINARY unless declared otherwise
        bool notNull = false;
        int primaryKey = 0; // position in the primary key, 0 when not part of it

        // Jet's Date/Time columns are declared DATETEXT (or any DATE... type).
        bool isDate() const { return declaredType.startsWith(QLatin1String("DATE"), Qt::CaseInsensitive); }
    };
    struct Table {
        QString name;
        std::vector<Column> columns;
        std::vector<QStringList> uniqueIndexes; // column names of each UNIQUE index

        const Column* column(const QString& name) const;
        // The INTEGER PRIMARY KEY column that aliases the rowid, or nullptr.
        const Column* rowIdAlias() const;
    };
    std::vector<Table> tables;

    const Table* table(const QString& name) const;
};

} // namespace corvane::platform::jet
