#include "platform/jet/translator/schema.h"

namespace corvane::platform::jet {

const SchemaSnapshot::Column* SchemaSnapshot::Table::column(const QString& wanted) const
{
    for (const Column& c : columns) {
        if (c.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const SchemaSnapshot::Column* SchemaSnapshot::Table::rowIdAlias() const
{
    const Column* key = nullptr;
    for (const Column& c : columns) {
        if (c.primaryKey > 0) {
            if (key)
                return nullptr; // a composite key is no rowid alias
            key = &c;
        }
    }
    return key && key->declaredType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0 ? key
                                                                                                : nullptr;
}

const SchemaSnapshot::Table* SchemaSnapshot::table(const QString& wanted) const
{
    for (const Table& t : tables) {
        if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

} // namespace corvane::platform::jet
