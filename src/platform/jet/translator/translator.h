#pragma once

#include "platform/jet/translator/grouped_query.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace corvane::platform::jet {

struct SchemaSnapshot;

struct TranslateOptions {
    QDateTime now; // Now(), Date() and Time() are frozen to it; its year completes dates without one
    const SchemaSnapshot* schema = nullptr; // optional; enables the type and unique-key checks
};

struct Translation {
    QString sql; // one SQLite SELECT, no ';'
    int hiddenTrailingColumns = 0; // helper columns at the right that callers drop
    std::optional<GroupedQuery> grouped; // the same rows as grouped outside SQLite, when the shape allows
};

// Translates one Jet SELECT into SQLite SQL that returns the rows Jet would,
// or fails with Jet's error number and wording (a Failure). Pure: no I/O.
Translation translate(const QString& jetSql, const TranslateOptions& options);

} // namespace corvane::platform::jet
