#pragma once

// The translator: one Jet SELECT in, one SQLite SELECT out that returns the
// rows Jet would. translate() runs four stages over the text:
//   tokenize  tokenizer.h: tokens; a bad string, date or character stays a
//             token, so that the error can quote the clause it stands in.
//             A date literal without a year takes the year of options.now.
//   parse     parser.h, expression_parser.h: the tokens as a Query (ast.h),
//             with Jet's precedence.
//   check     checks.h: what Jet refuses but SQLite would run, giving
//             other rows.
//   emit      emitter.h, expression_emitter.h: SQLite text with names in
//             brackets, Jet's operators and functions as the jet_* calls
//             that sqlite/functions.h registers, Now(), Date() and Time()
//             frozen to options.now.
// Hidden trailing columns: Jet's TOP n keeps every row tied with the n-th,
// which LIMIT cannot. Under an ORDER BY whose keys may tie, or any TOP ...
// PERCENT with an ORDER BY, the emitter adds rank() over that order as
// [__jet_rank] (for PERCENT also the row count, [__jet_n]) at the right of
// the outermost SELECT, keeps the rows within the rank and sorts by it;
// callers drop those 1 or 2 columns. A subquery projects them away itself.
// No query may use a name beginning with __jet_, so none can clash.
// The grouped description (grouped_query.h), made after emitting, gives a
// simple GROUP BY query as its keys, aggregates, order and TOP, so that the
// database layer can group the rows outside SQLite (db::GroupedScan); the
// table filter names the one table a query reads and the condition its rows
// must pass, so that a reader of rows spread over files takes only those.
// Every error is a Failure with Jet's number and wording (errors.h):
//   parse  3075 syntax, bad string, bad date or bad TOP count; 3129 not a
//          SELECT; 3142 text after the ';'; 3360 nested too deep.
//   check  3085 unknown function; 3075 wrong number of arguments; 3095 an
//          aggregate in GROUP BY, in ON or inside another; 3096 one in
//          WHERE; 3122 a column neither grouped nor aggregated, or * in a
//          grouped query; 3464 a date column compared with a text.
//   0      "Not supported by this program", what we refuse rather than
//          translate wrongly: parse (TRANSFORM, INTO, XOR, __jet_ names
//          ...), check (TOP in a UNION, ORDER BY 2, DISTINCTROW with joins)
//          and emit (tied TOP with DISTINCT, or with * in a subquery).
// Errors while the rows are read come from the jet_* functions, not here.

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
    std::optional<TableFilter> filter; // the one table read and the rows that count, when the shape allows
    std::optional<KeyedListing> keyed; // the listing with its sort keys, when the shape allows
};

// Translates one Jet SELECT into SQLite SQL that returns the rows Jet would,
// or fails with Jet's error number and wording (a Failure). Pure: no I/O.
Translation translate(const QString& jetSql, const TranslateOptions& options);

} // namespace corvane::platform::jet
