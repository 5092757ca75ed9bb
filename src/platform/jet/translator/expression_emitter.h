#pragma once

#include "platform/jet/translator/ast.h"

#include <QDateTime>
#include <QString>

namespace corvane::platform::jet {

class Scope;

// Writes one checked Jet expression as SQLite: every operator expression
// parenthesised, Jet's operators and functions as jet_* calls, booleans as
// -1/0, Now(), Date(), Time() frozen to the given clock. The statement
// emitter derives from it and writes the queries that subqueries hold.
class ExpressionEmitter {
public:
    virtual ~ExpressionEmitter() = default;
    ExpressionEmitter(const ExpressionEmitter&) = delete;
    ExpressionEmitter& operator=(const ExpressionEmitter&) = delete;

protected:
    explicit ExpressionEmitter(const QDateTime& now);

    virtual QString subquery(const Query& q, const Scope& scope) = 0;

    static QString bracket(const QString& name);
    // As a condition (WHERE, ON, HAVING, a test) or as a value (-1 for True);
    // slot: the text stands alone, so it needs no parentheses of its own.
    QString condition(const Expr& e, bool slot, const Scope& scope);
    QString value(const Expr& e, bool slot, const Scope& scope);
    QString term(const Expr& e, const Scope& scope);

private:
    QString comparison(const Expr& e, const Scope& scope);
    QString between(const Expr& e, const Scope& scope);
    QString in(const Expr& e, const Scope& scope);
    QString binary(const Expr& e, bool slot, const Scope& scope);
    QString call(const Expr& e, bool slot, const Scope& scope);
    QString clock(const QString& name);

    QDateTime m_now;
};

} // namespace corvane::platform::jet
