#pragma once

#include "platform/jet/jet_ast.h"
#include "platform/jet/jet_schema.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace corvane::platform::jet {

class Scope;

// Writes a checked Jet query as one SQLite SELECT that returns the rows Jet
// would: identifiers in brackets, every operator expression parenthesised,
// Jet's operators and functions as jet_* calls, booleans as -1/0, TOP with
// its ties, and Now(), Date(), Time() frozen to the given clock.
class Emitter {
public:
    Emitter(const QDateTime& now, const SchemaSnapshot* schema);

    QString statement(const Query& query);
    // Helper columns at the right of the result (the rank of TOP with ties).
    int hiddenTrailingColumns() const { return m_hidden; }

private:
    enum class Place { TopLevel, Nested };

    QString query(const Query& q, Place place, const Scope* outer);
    QString select(const Select& s, const std::vector<OrderTerm>* orderBy, Place place, const Scope* outer);
    QString items(const Select& s, const Scope& scope, bool numbered);
    QString projection(const Select& s) const;
    QString from(const FromItem& item, const Scope& scope);
    QString orderList(const std::vector<OrderTerm>& terms, const Scope& scope, bool forWindow);
    QString term(const Expr& e, const Scope& scope);
    bool keysUnique(const Select& s, const std::vector<OrderTerm>& orderBy, const Scope& scope) const;

    QString condition(const Expr& e, bool slot, const Scope& scope);
    QString value(const Expr& e, bool slot, const Scope& scope);
    QString comparison(const Expr& e, const Scope& scope);
    QString between(const Expr& e, const Scope& scope);
    QString in(const Expr& e, const Scope& scope);
    QString binary(const Expr& e, bool slot, const Scope& scope);
    QString call(const Expr& e, bool slot, const Scope& scope);
    QString clock(const QString& name);

    QDateTime m_now;
    const SchemaSnapshot* m_schema;
    int m_hidden = 0;
};

} // namespace corvane::platform::jet
