#pragma once

#include <QDateTime>
#include <QString>
#include <vector>

namespace corvane::platform::jet {

struct SchemaSnapshot;

struct TranslateOptions {
    QDateTime now; // Now(), Date() and Time() are frozen to it
    const SchemaSnapshot* schema = nullptr; // optional; enables the type and unique-key checks
};

struct Translation {
    QString sql; // one SQLite SELECT, no ';'
    int hiddenTrailingColumns = 0; // helper columns at the right that callers drop
    bool usesClock = false; // the text depends on the clock: do not cache it
    std::vector<QString> warnings; // checks that could not be made
};

// Translates one Jet SELECT into SQLite SQL that returns the rows Jet would,
// or fails with Jet's error number and wording (a Failure). Pure: no I/O.
Translation translate(const QString& jetSql, const TranslateOptions& options);

// 'text' with every ' inside doubled: a text literal that Jet and SQLite both
// read back as the text itself, whatever it holds.
QString textLiteral(const QString& text);

} // namespace corvane::platform::jet
