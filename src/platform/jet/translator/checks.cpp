#include "platform/jet/translator/checks.h"

#include "platform/jet/translator/dialect_functions.h"
#include "platform/jet/translator/errors.h"
#include "platform/jet/translator/scope.h"

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;

class Checker {
public:
    explicit Checker(const SchemaSnapshot* schema)
        : m_schema(schema)
    {
    }

    void query(const Query& q, const Scope* outer)
    {
        const bool single = q.selects.size() == 1;
        for (const Select& s : q.selects) {
            if (s.top > 0 && !single)
                throw errors::notSupported(QStringLiteral("TOP in a UNION query"));
            select(s, single ? &q.orderBy : nullptr, outer);
        }
        if (!single) {
            const Scope last(q.selects.back(), m_schema, outer);
            for (const OrderTerm& term : q.orderBy)
                orderTerm(term, last);
        }
    }

private:
    void select(const Select& s, const std::vector<OrderTerm>* orderBy, const Scope* outer)
    {
        const Scope scope(s, m_schema, outer);
        if (s.distinctRow && scope.joined())
            throw errors::notSupported(QStringLiteral("DISTINCTROW with joins"));
        for (const FromItemPtr& item : s.from)
            fromItem(*item, scope);
        for (const SelectItem& item : s.items)
            expression(*item.expr, scope);
        if (s.where) {
            expression(*s.where, scope);
            if (findAggregate(*s.where))
                throw errors::aggregateInWhere(s.where->source);
        }
        for (const ExprPtr& group : s.groupBy) {
            refusePosition(*group);
            expression(*group, scope);
            if (findAggregate(*group))
                throw errors::aggregateInExpression(group->source);
        }
        if (s.having)
            expression(*s.having, scope);
        if (orderBy) {
            for (const OrderTerm& term : *orderBy)
                orderTerm(term, scope);
        }
        grouping(s, orderBy, scope);
    }

    void orderTerm(const OrderTerm& term, const Scope& scope)
    {
        refusePosition(*term.expr);
        expression(*term.expr, scope);
    }

    static void refusePosition(const Expr& e)
    {
        if (e.kind == Kind::Number)
            throw errors::notSupported(
                QStringLiteral("ORDER BY/GROUP BY by column position; repeat the expression"));
    }

    void fromItem(const FromItem& item, const Scope& scope)
    {
        switch (item.kind) {
        case FromItem::Kind::Table:
            break;
        case FromItem::Kind::Derived:
            query(*item.query, nullptr);
            break;
        case FromItem::Kind::Join:
            fromItem(*item.left, scope);
            fromItem(*item.right, scope);
            expression(*item.on, scope);
            if (const Expr* aggregate = findAggregate(*item.on))
                throw errors::aggregateInExpression(aggregate->source);
            break;
        case FromItem::Kind::Group:
            fromItem(*item.left, scope);
            break;
        }
    }

    void expression(const Expr& e, const Scope& scope)
    {
        if (e.kind == Kind::Call)
            call(e);
        if (e.kind == Kind::Compare)
            dateAgainstText(*e.args[0], *e.args[1], scope);
        if (e.kind == Kind::Between || e.kind == Kind::In) {
            for (std::size_t i = 1; i < e.args.size(); ++i)
                dateAgainstText(*e.args[0], *e.args[i], scope);
        }
        for (const ExprPtr& arg : e.args)
            expression(*arg, scope);
        if (e.query)
            query(*e.query, &scope);
    }

    static void call(const Expr& e)
    {
        const DialectFunction* known = findFunction(e.text);
        if (!known)
            throw errors::undefinedFunction(e.text);
        const auto count = static_cast<int>(e.args.size());
        bool fits
            = e.countStar || (count >= known->minArgs && (known->maxArgs < 0 || count <= known->maxArgs));
        if (known->form == DialectFunction::Form::Switch)
            fits = fits && count % 2 == 0;
        if (!fits)
            throw errors::wrongArgumentCount(e.source);
        if (known->form == DialectFunction::Form::Aggregate) {
            for (const ExprPtr& arg : e.args) {
                if (findAggregate(*arg))
                    throw errors::aggregateInExpression(e.source);
            }
        }
    }

    // Jet refuses to compare a Date/Time field with a text; SQLite would
    // compare the stored text with it character by character.
    void dateAgainstText(const Expr& a, const Expr& b, const Scope& scope)
    {
        const bool textPair = a.kind == Kind::Text || b.kind == Kind::Text;
        if (!textPair || !m_schema)
            return;
        const Expr& other = a.kind == Kind::Text ? b : a;
        const SchemaSnapshot::Column* column = scope.column(other);
        if (column && column->isDate())
            throw errors::typeMismatch();
    }

    // Every column outside an aggregate must be one of the GROUP BY
    // expressions or part of one.
    void grouping(const Select& s, const std::vector<OrderTerm>* orderBy, const Scope& scope)
    {
        // Checked where there is a GROUP BY or HAVING: a query that only
        // aggregates some items runs as one row, as the shared cases require.
        const bool grouped = !s.groupBy.empty() || s.having;
        if (!grouped)
            return;
        if (s.star)
            throw errors::groupedStar();
        for (const SelectItem& item : s.items) {
            if (item.expr->kind == Kind::Star)
                throw errors::groupedStar();
            covered(*item.expr, s);
        }
        if (s.having)
            covered(*s.having, s);
        if (orderBy) {
            for (const OrderTerm& term : *orderBy) {
                const SelectItem* target = scope.aliased(*term.expr);
                covered(target ? *target->expr : *term.expr, s);
            }
        }
    }

    void covered(const Expr& e, const Select& s)
    {
        for (const ExprPtr& group : s.groupBy) {
            if (sameExpression(e, *group))
                return;
        }
        if (isAggregateCall(e))
            return;
        if (e.kind == Kind::Column)
            throw errors::notGrouped(e.source);
        for (const ExprPtr& arg : e.args)
            covered(*arg, s);
    }

    const SchemaSnapshot* m_schema;
};

} // namespace

void checkQuery(const Query& query, const SchemaSnapshot* schema)
{
    Checker(schema).query(query, nullptr);
}

} // namespace corvane::platform::jet
