#include "platform/jet/translator/expression_emitter.h"

#include "platform/jet/common/date.h"
#include "platform/jet/translator/dialect_functions.h"
#include "platform/jet/translator/errors.h"
#include "platform/jet/translator/text_literal.h"

#include <QStringList>

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;

QString wrap(const QString& sql, bool slot)
{
    return slot ? sql : QLatin1Char('(') + sql + QLatin1Char(')');
}

bool isNumberLiteral(const Expr& e)
{
    return e.kind == Kind::Number || (e.kind == Kind::Negate && e.args[0]->kind == Kind::Number);
}

double numberOf(const Expr& e)
{
    return e.kind == Kind::Negate ? -e.args[0]->text.toDouble() : e.text.toDouble();
}

bool isClockCall(const Expr& e)
{
    if (e.kind != Kind::Call)
        return false;
    const DialectFunction* known = findFunction(e.text);
    return known && known->form == DialectFunction::Form::Clock;
}

// Operands that compare correctly without an explicit collation: a column
// carries its declared one, numbers and dates have no case.
bool comparesAsIs(const Expr& e)
{
    return e.kind == Kind::Column || isNumberLiteral(e) || e.kind == Kind::Date || e.kind == Kind::Boolean
        || e.kind == Kind::Null || isClockCall(e);
}

bool isTextValued(const Expr& e)
{
    if (e.kind == Kind::Text || (e.kind == Kind::Binary && e.text == QLatin1String("&")))
        return true;
    if (e.kind != Kind::Call)
        return false;
    const DialectFunction* known = findFunction(e.text);
    return known && known->result == DialectFunction::Result::Text;
}

void flattenConcat(const Expr& e, std::vector<const Expr*>& out)
{
    if (e.kind == Kind::Binary && e.text == QLatin1String("&")) {
        flattenConcat(*e.args[0], out);
        flattenConcat(*e.args[1], out);
    } else {
        out.push_back(&e);
    }
}

} // namespace

ExpressionEmitter::ExpressionEmitter(const QDateTime& now)
    : m_now(now)
{
}

QString ExpressionEmitter::bracket(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

// A GROUP BY or ORDER BY term; a computed text sorts and groups without
// regard to case, as Jet's text does.
QString ExpressionEmitter::term(const Expr& e, const Scope& scope)
{
    QString sql = value(e, true, scope);
    if (isTextValued(e))
        sql += QStringLiteral(" COLLATE NOCASE");
    return sql;
}

// ---- expressions ----

QString ExpressionEmitter::condition(const Expr& e, bool slot, const Scope& scope)
{
    switch (e.kind) {
    case Kind::And:
    case Kind::Or:
        return wrap(condition(*e.args[0], false, scope)
                + (e.kind == Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "))
                + condition(*e.args[1], false, scope),
            slot);
    case Kind::Not:
        return wrap(QStringLiteral("NOT ") + condition(*e.args[0], false, scope), slot);
    case Kind::Compare:
        return wrap(comparison(e, scope), slot);
    case Kind::Like: {
        const QString sql = (e.alike ? QStringLiteral("jet_alike(") : QStringLiteral("jet_like("))
            + value(*e.args[0], true, scope) + QStringLiteral(", ") + value(*e.args[1], true, scope)
            + QLatin1Char(')');
        return e.negated ? wrap(QStringLiteral("NOT ") + sql, slot) : sql;
    }
    case Kind::IsNull:
        return wrap(value(*e.args[0], false, scope)
                + (e.negated ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL")),
            slot);
    case Kind::Between:
        return wrap(between(e, scope), slot);
    case Kind::In:
        return wrap(in(e, scope), slot);
    case Kind::Exists:
        return QStringLiteral("EXISTS (") + subquery(*e.query, scope) + QLatin1Char(')');
    default:
        return value(e, slot, scope);
    }
}

QString ExpressionEmitter::comparison(const Expr& e, const Scope& scope)
{
    const Expr& left = *e.args[0];
    const Expr& right = *e.args[1];
    QString sql = value(left, false, scope) + QLatin1Char(' ') + e.text + QLatin1Char(' ')
        + value(right, false, scope);
    if (!comparesAsIs(left) && !comparesAsIs(right))
        sql += QStringLiteral(" COLLATE NOCASE");
    return sql;
}

QString ExpressionEmitter::between(const Expr& e, const Scope& scope)
{
    const Expr& subject = *e.args[0];
    const Expr* low = e.args[1].get();
    const Expr* high = e.args[2].get();
    QString sql = value(subject, false, scope);
    if (!comparesAsIs(subject) && (!comparesAsIs(*low) || !comparesAsIs(*high)))
        sql += QStringLiteral(" COLLATE NOCASE");
    sql += e.negated ? QStringLiteral(" NOT BETWEEN ") : QStringLiteral(" BETWEEN ");
    // Jet takes the bounds in either order.
    if (isNumberLiteral(*low) && isNumberLiteral(*high)) {
        if (numberOf(*low) > numberOf(*high))
            std::swap(low, high);
    } else if (low->kind == high->kind && (low->kind == Kind::Date || low->kind == Kind::Text)) {
        const auto cs = low->kind == Kind::Text ? Qt::CaseInsensitive : Qt::CaseSensitive;
        if (low->text.compare(high->text, cs) > 0)
            std::swap(low, high);
    } else {
        const QString a = value(*low, true, scope);
        const QString b = value(*high, true, scope);
        return sql + QStringLiteral("min(%1, %2) AND max(%1, %2)").arg(a, b);
    }
    return sql + value(*low, true, scope) + QStringLiteral(" AND ") + value(*high, true, scope);
}

QString ExpressionEmitter::in(const Expr& e, const Scope& scope)
{
    const Expr& subject = *e.args[0];
    QString sql = value(subject, false, scope);
    if (!comparesAsIs(subject))
        sql += QStringLiteral(" COLLATE NOCASE");
    sql += e.negated ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN (");
    if (e.query) {
        sql += subquery(*e.query, scope);
    } else {
        QStringList list;
        for (std::size_t i = 1; i < e.args.size(); ++i)
            list << value(*e.args[i], true, scope);
        sql += list.join(QStringLiteral(", "));
    }
    return sql + QLatin1Char(')');
}

QString ExpressionEmitter::value(const Expr& e, bool slot, const Scope& scope)
{
    switch (e.kind) {
    case Kind::Number:
    case Kind::Boolean:
        return e.text;
    case Kind::Text:
    case Kind::Date:
        return textLiteral(e.text);
    case Kind::Null:
        return QStringLiteral("NULL");
    case Kind::Column:
        return e.qualifier.isEmpty() ? bracket(e.text)
                                     : bracket(e.qualifier) + QLatin1Char('.') + bracket(e.text);
    case Kind::Star:
        return e.qualifier.isEmpty() ? QStringLiteral("*") : bracket(e.qualifier) + QStringLiteral(".*");
    case Kind::Subquery:
        return QLatin1Char('(') + subquery(*e.query, scope) + QLatin1Char(')');
    case Kind::Call:
        return call(e, slot, scope);
    case Kind::Negate:
        // Always "(- x)": a minus written next to another would start a comment.
        if (e.args[0]->kind == Kind::Number)
            return QLatin1Char('-') + e.args[0]->text;
        return QStringLiteral("(- ") + value(*e.args[0], false, scope) + QLatin1Char(')');
    case Kind::Binary:
        return binary(e, slot, scope);
    case Kind::Like:
        if (!e.negated)
            return condition(e, slot, scope); // jet_like yields -1 or 0 itself
        break;
    default:
        break;
    }
    // A condition used as a value: Jet's True is -1.
    return QStringLiteral("(- (") + condition(e, true, scope) + QStringLiteral("))");
}

QString ExpressionEmitter::binary(const Expr& e, bool slot, const Scope& scope)
{
    if (e.text == QLatin1String("&")) {
        std::vector<const Expr*> parts;
        flattenConcat(e, parts);
        QStringList args;
        for (const Expr* part : parts)
            args << value(*part, true, scope);
        return QStringLiteral("jet_concat(") + args.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    if (e.text == QLatin1String("*"))
        return wrap(
            value(*e.args[0], false, scope) + QStringLiteral(" * ") + value(*e.args[1], false, scope), slot);
    const char* function = "jet_pow";
    if (e.text == QLatin1String("+"))
        function = "jet_add";
    else if (e.text == QLatin1String("-"))
        function = "jet_sub";
    else if (e.text == QLatin1String("/"))
        function = "jet_div";
    else if (e.text == QLatin1String("\\"))
        function = "jet_idiv";
    else if (e.text == QLatin1String("mod"))
        function = "jet_mod";
    return QLatin1String(function) + QLatin1Char('(') + value(*e.args[0], true, scope) + QStringLiteral(", ")
        + value(*e.args[1], true, scope) + QLatin1Char(')');
}

QString ExpressionEmitter::call(const Expr& e, bool slot, const Scope& scope)
{
    const DialectFunction* known = findFunction(e.text);
    if (!known) // the checks have refused it already
        throw errors::undefinedFunction(e.text);
    auto arg = [&](std::size_t i) { return value(*e.args[i], true, scope); };
    switch (known->form) {
    case DialectFunction::Form::Clock:
        return clock(e.text.toLower());
    case DialectFunction::Form::IIf:
        // A Null condition takes the False branch, as in Jet.
        return wrap(QStringLiteral("CASE WHEN ") + condition(*e.args[0], true, scope)
                + QStringLiteral(" THEN ") + arg(1) + QStringLiteral(" ELSE ") + arg(2)
                + QStringLiteral(" END"),
            slot);
    case DialectFunction::Form::Switch: {
        QString sql = QStringLiteral("CASE");
        for (std::size_t i = 0; i + 1 < e.args.size(); i += 2)
            sql += QStringLiteral(" WHEN ") + condition(*e.args[i], true, scope) + QStringLiteral(" THEN ")
                + arg(i + 1);
        return wrap(sql + QStringLiteral(" END"), slot);
    }
    case DialectFunction::Form::Choose: {
        QString sql = QStringLiteral("CASE jet_round(") + arg(0) + QLatin1Char(')');
        for (std::size_t i = 1; i < e.args.size(); ++i)
            sql += QStringLiteral(" WHEN %1 THEN ").arg(i) + arg(i);
        return wrap(sql + QStringLiteral(" END"), slot);
    }
    case DialectFunction::Form::Nz:
        return QStringLiteral("coalesce(") + arg(0) + QStringLiteral(", ")
            + (e.args.size() > 1 ? arg(1) : QStringLiteral("''")) + QLatin1Char(')');
    case DialectFunction::Form::IsNull:
        return QStringLiteral("(- (") + value(*e.args[0], false, scope) + QStringLiteral(" IS NULL))");
    case DialectFunction::Form::Aggregate:
        if (e.countStar)
            return QStringLiteral("count(*)");
        [[fallthrough]];
    case DialectFunction::Form::Plain:
        break;
    }
    QStringList args;
    for (std::size_t i = 0; i < e.args.size(); ++i)
        args << arg(i);
    return QLatin1String(known->sql) + QLatin1Char('(') + args.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// Jet evaluates field-free expressions once per query: the clock is read
// once, by the caller, and written into the text.
QString ExpressionEmitter::clock(const QString& name)
{
    DateTime value = fromQDateTime(m_now).value_or(DateTime {});
    if (name == QLatin1String("date")) {
        value.hour = value.minute = value.second = 0;
    } else if (name == QLatin1String("time")) {
        value.year = 1899;
        value.month = 12;
        value.day = 30;
    }
    return textLiteral(formatCanonical(value));
}

} // namespace corvane::platform::jet
