#pragma once

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/expression_emitter.h"
#include "platform/jet/translator/schema.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace corvane::platform::jet {

class Scope;

// Writes a checked Jet query as one SQLite SELECT that returns the rows Jet
// would: identifiers in brackets, the expressions as ExpressionEmitter writes
// them, TOP with its ties.
class Emitter final : public ExpressionEmitter {
public:
    Emitter(const QDateTime& now, const SchemaSnapshot* schema);

    QString statement(const Query& query);
    // The same statement with these expressions appended as hidden columns
    // [__jet_key1] ...: for a top-level SELECT without TOP only.
    QString statementWithKeys(const Query& query, const QStringList& keys);
    // Helper columns at the right of the result (the rank of TOP with ties).
    int hiddenTrailingColumns() const { return m_hidden; }
    // The WHERE condition of a select as the statement has it.
    QString whereCondition(const Select& s);

private:
    enum class Place { TopLevel, Nested };

    QString subquery(const Query& q, const Scope& scope) override;
    QString query(const Query& q, Place place, const Scope* outer);
    QString select(const Select& s, const std::vector<OrderTerm>* orderBy, Place place, const Scope* outer);
    QString items(const Select& s, const Scope& scope, bool numbered);
    QString projection(const Select& s) const;
    QString from(const FromItem& item, const Scope& scope);
    QString orderList(const std::vector<OrderTerm>& terms, const Scope& scope, bool forWindow);
    bool keysUnique(const Select& s, const std::vector<OrderTerm>& orderBy, const Scope& scope) const;

    const SchemaSnapshot* m_schema;
    int m_hidden = 0;
    QStringList m_keys; // appended by statementWithKeys
};

} // namespace corvane::platform::jet
