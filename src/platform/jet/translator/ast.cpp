#include "platform/jet/translator/ast.h"

#include "platform/jet/translator/dialect_functions.h"

namespace corvane::platform::jet {

bool sameExpression(const Expr& a, const Expr& b)
{
    if (a.kind != b.kind || a.negated != b.negated || a.alike != b.alike || a.countStar != b.countStar
        || a.args.size() != b.args.size() || a.query || b.query)
        return false;
    const bool caseMatters = a.kind == Expr::Kind::Text;
    if (a.text.compare(b.text, caseMatters ? Qt::CaseSensitive : Qt::CaseInsensitive) != 0)
        return false;
    if (!a.qualifier.isEmpty() && !b.qualifier.isEmpty()
        && a.qualifier.compare(b.qualifier, Qt::CaseInsensitive) != 0)
        return false;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
        if (!sameExpression(*a.args[i], *b.args[i]))
            return false;
    }
    return true;
}

bool isAggregateCall(const Expr& e)
{
    if (e.kind != Expr::Kind::Call)
        return false;
    const DialectFunction* known = findFunction(e.text);
    return known && known->form == DialectFunction::Form::Aggregate;
}

const Expr* findAggregate(const Expr& e)
{
    if (isAggregateCall(e))
        return &e;
    for (const auto& arg : e.args) {
        if (const Expr* found = findAggregate(*arg))
            return found;
    }
    return nullptr;
}

} // namespace corvane::platform::jet
