#include "platform/jet/jet_emitter.h"

#include "platform/jet/jet_date.h"
#include "platform/jet/jet_errors.h"
#include "platform/jet/jet_functions.h"
#include "platform/jet/jet_scope.h"
#include "platform/jet/jet_translator.h"

#include <QStringList>

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;

QString bracket(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

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

bool hasStar(const Select& s)
{
    if (s.star)
        return true;
    for (const SelectItem& item : s.items) {
        if (item.expr->kind == Kind::Star)
            return true;
    }
    return false;
}

// The name an item keeps outside a wrapper query.
QString itemName(const SelectItem& item, int position)
{
    if (!item.alias.isEmpty())
        return item.alias;
    if (item.expr->kind == Kind::Column)
        return item.expr->text;
    return QStringLiteral("__jet_c%1").arg(position);
}

} // namespace

Emitter::Emitter(const QDateTime& now, const SchemaSnapshot* schema)
    : m_now(now)
    , m_schema(schema)
{
}

QString Emitter::statement(const Query& q)
{
    m_hidden = 0;
    return query(q, Place::TopLevel, nullptr);
}

// ---- queries ----

QString Emitter::query(const Query& q, Place place, const Scope* outer)
{
    if (q.selects.size() == 1)
        return select(q.selects.front(), &q.orderBy, place, outer);
    QString sql;
    for (std::size_t i = 0; i < q.selects.size(); ++i) {
        if (i > 0)
            sql += q.unionAll[i - 1] ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION ");
        sql += select(q.selects[i], nullptr, Place::Nested, outer);
    }
    if (!q.orderBy.empty()) {
        const Scope last(q.selects.back(), m_schema, outer);
        sql += QStringLiteral(" ORDER BY ") + orderList(q.orderBy, last, false);
    }
    return sql;
}

QString Emitter::select(
    const Select& s, const std::vector<OrderTerm>* orderBy, Place place, const Scope* outer)
{
    const Scope scope(s, m_schema, outer);
    const QString head = s.distinct ? QStringLiteral("SELECT DISTINCT ") : QStringLiteral("SELECT ");
    QString body;
    if (!s.from.empty()) {
        QStringList sources;
        for (const FromItemPtr& item : s.from)
            sources << from(*item, scope);
        body += QStringLiteral(" FROM ") + sources.join(QStringLiteral(", "));
    }
    if (s.where)
        body += QStringLiteral(" WHERE ") + condition(*s.where, true, scope);
    if (!s.groupBy.empty()) {
        QStringList groups;
        for (const ExprPtr& group : s.groupBy)
            groups << term(*group, scope);
        body += QStringLiteral(" GROUP BY ") + groups.join(QStringLiteral(", "));
    }
    if (s.having)
        body += QStringLiteral(" HAVING ") + condition(*s.having, true, scope);
    const bool ordered = orderBy && !orderBy->empty();
    const QString order
        = ordered ? QStringLiteral(" ORDER BY ") + orderList(*orderBy, scope, false) : QString();

    if (s.top == 0)
        return head + items(s, scope, false) + body + order;
    if (!s.percent && (!ordered || keysUnique(s, *orderBy, scope)))
        return head + items(s, scope, false) + body + order + QStringLiteral(" LIMIT %1").arg(s.top);
    if (!ordered) {
        // Without an order there are no ties: the first ceiling(N * p / 100) rows.
        const QString base = head + items(s, scope, false) + body;
        return base + QStringLiteral(" LIMIT (SELECT (count(*) * %1 + 99) / 100 FROM (").arg(s.top) + base
            + QStringLiteral("))");
    }
    if (s.distinct)
        throw errors::notSupported(QStringLiteral("TOP with DISTINCT when the order can have ties"));

    // rank() gives tied rows one rank, so rank <= n keeps every row tied
    // with the n-th, as Jet's TOP does.
    QString window = QStringLiteral("rank() OVER (ORDER BY ") + orderList(*orderBy, scope, true)
        + QStringLiteral(") AS [__jet_rank]");
    QString limit = QStringLiteral("[__jet_rank] <= %1").arg(s.top);
    if (s.percent) {
        window += QStringLiteral(", count(*) OVER () AS [__jet_n]");
        limit = QStringLiteral("[__jet_rank] <= (([__jet_n] * %1 + 99) / 100)").arg(s.top);
    }
    if (place == Place::TopLevel) {
        m_hidden = s.percent ? 2 : 1;
        return QStringLiteral("SELECT * FROM (") + head + items(s, scope, false) + QStringLiteral(", ")
            + window + body + QStringLiteral(") WHERE ") + limit + QStringLiteral(" ORDER BY [__jet_rank]");
    }
    // A subquery cannot hand hidden columns on: project its own items only.
    if (hasStar(s))
        throw errors::notSupported(QStringLiteral("TOP with * in a subquery when the order can have ties"));
    return QStringLiteral("SELECT ") + projection(s) + QStringLiteral(" FROM (") + head
        + items(s, scope, true) + QStringLiteral(", ") + window + body + QStringLiteral(") WHERE ") + limit;
}

QString Emitter::items(const Select& s, const Scope& scope, bool numbered)
{
    if (s.star)
        return QStringLiteral("*");
    QStringList out;
    int position = 0;
    for (const SelectItem& item : s.items) {
        ++position;
        QString sql = value(*item.expr, true, scope);
        if (numbered)
            sql += QStringLiteral(" AS [__jet_c%1]").arg(position);
        else if (!item.alias.isEmpty())
            sql += QStringLiteral(" AS ") + bracket(item.alias);
        out << sql;
    }
    return out.join(QStringLiteral(", "));
}

QString Emitter::projection(const Select& s) const
{
    QStringList out;
    int position = 0;
    for (const SelectItem& item : s.items) {
        ++position;
        const QString inner = QStringLiteral("[__jet_c%1]").arg(position);
        const QString name = itemName(item, position);
        out << (name.startsWith(QLatin1String("__jet_")) ? inner
                                                         : inner + QStringLiteral(" AS ") + bracket(name));
    }
    return out.join(QStringLiteral(", "));
}

QString Emitter::from(const FromItem& item, const Scope& scope)
{
    switch (item.kind) {
    case FromItem::Kind::Table:
        return bracket(item.name)
            + (item.alias.isEmpty() ? QString() : QStringLiteral(" AS ") + bracket(item.alias));
    case FromItem::Kind::Derived:
        return QLatin1Char('(') + query(*item.query, Place::Nested, nullptr) + QLatin1Char(')')
            + (item.alias.isEmpty() ? QString() : QStringLiteral(" AS ") + bracket(item.alias));
    case FromItem::Kind::Join:
        return from(*item.left, scope) + QLatin1Char(' ') + item.join + QStringLiteral(" JOIN ")
            + from(*item.right, scope) + QStringLiteral(" ON ") + condition(*item.on, true, scope);
    case FromItem::Kind::Group:
        return QLatin1Char('(') + from(*item.left, scope) + QLatin1Char(')');
    }
    return QString();
}

QString Emitter::orderList(const std::vector<OrderTerm>& terms, const Scope& scope, bool forWindow)
{
    QStringList out;
    for (const OrderTerm& t : terms) {
        const Expr* e = t.expr.get();
        QString sql;
        if (const SelectItem* target = scope.aliased(*e); target && forWindow) {
            // A window cannot see the select list's aliases.
            e = target->expr.get();
            sql = term(*e, scope);
        } else if (e->kind == Kind::Column && e->qualifier.isEmpty() && !scope.holder(*e).isEmpty()) {
            // An alias that repeats a column's name: Jet sorts by the column.
            bool shadowed = false;
            for (const SelectItem& item : scope.items()) {
                shadowed = shadowed
                    || (item.alias.compare(e->text, Qt::CaseInsensitive) == 0
                        && !sameExpression(*item.expr, *e));
            }
            sql = shadowed ? bracket(scope.holder(*e)) + QLatin1Char('.') + bracket(e->text)
                           : term(*e, scope);
        } else {
            sql = term(*e, scope);
        }
        if (t.descending)
            sql += QStringLiteral(" DESC");
        else if (t.ascending)
            sql += QStringLiteral(" ASC");
        out << sql;
    }
    return out.join(QStringLiteral(", "));
}

// A GROUP BY or ORDER BY term; a computed text sorts and groups without
// regard to case, as Jet's text does.
QString Emitter::term(const Expr& e, const Scope& scope)
{
    QString sql = value(e, true, scope);
    if (isTextValued(e))
        sql += QStringLiteral(" COLLATE NOCASE");
    return sql;
}

bool Emitter::keysUnique(const Select& s, const std::vector<OrderTerm>& orderBy, const Scope& scope) const
{
    auto resolved = [&](const OrderTerm& t) -> const Expr& {
        const SelectItem* target = scope.aliased(*t.expr);
        return target ? *target->expr : *t.expr;
    };
    if (!s.groupBy.empty()) {
        // One row per group: ordering by every group key leaves no ties.
        for (const ExprPtr& group : s.groupBy) {
            bool present = false;
            for (const OrderTerm& t : orderBy)
                present = present || sameExpression(resolved(t), *group);
            if (!present)
                return false;
        }
        return true;
    }
    for (const SelectItem& item : s.items) {
        if (findAggregate(*item.expr))
            return true; // a single row
    }
    const SchemaSnapshot::Table* table = scope.onlyTable();
    if (!table)
        return false;
    QStringList keys;
    for (const OrderTerm& t : orderBy) {
        const Expr& e = resolved(t);
        if (e.kind == Kind::Column && scope.column(e))
            keys << e.text.toLower();
    }
    if (const SchemaSnapshot::Column* rowId = table->rowIdAlias();
        rowId && keys.contains(rowId->name.toLower()))
        return true;
    for (const QStringList& index : table->uniqueIndexes) {
        bool covered = true;
        for (const QString& name : index) {
            const SchemaSnapshot::Column* column = table->column(name);
            covered = covered && column && column->notNull && keys.contains(name.toLower());
        }
        if (covered)
            return true;
    }
    return false;
}

// ---- expressions ----

QString Emitter::condition(const Expr& e, bool slot, const Scope& scope)
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
        return QStringLiteral("EXISTS (") + query(*e.query, Place::Nested, &scope) + QLatin1Char(')');
    default:
        return value(e, slot, scope);
    }
}

QString Emitter::comparison(const Expr& e, const Scope& scope)
{
    const Expr& left = *e.args[0];
    const Expr& right = *e.args[1];
    QString sql = value(left, false, scope) + QLatin1Char(' ') + e.text + QLatin1Char(' ')
        + value(right, false, scope);
    if (!comparesAsIs(left) && !comparesAsIs(right))
        sql += QStringLiteral(" COLLATE NOCASE");
    return sql;
}

QString Emitter::between(const Expr& e, const Scope& scope)
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

QString Emitter::in(const Expr& e, const Scope& scope)
{
    const Expr& subject = *e.args[0];
    QString sql = value(subject, false, scope);
    if (!comparesAsIs(subject))
        sql += QStringLiteral(" COLLATE NOCASE");
    sql += e.negated ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN (");
    if (e.query) {
        sql += query(*e.query, Place::Nested, &scope);
    } else {
        QStringList list;
        for (std::size_t i = 1; i < e.args.size(); ++i)
            list << value(*e.args[i], true, scope);
        sql += list.join(QStringLiteral(", "));
    }
    return sql + QLatin1Char(')');
}

QString Emitter::value(const Expr& e, bool slot, const Scope& scope)
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
        return QLatin1Char('(') + query(*e.query, Place::Nested, &scope) + QLatin1Char(')');
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

QString Emitter::binary(const Expr& e, bool slot, const Scope& scope)
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

QString Emitter::call(const Expr& e, bool slot, const Scope& scope)
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
QString Emitter::clock(const QString& name)
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
