#include "platform/jet/translator/emitter.h"

#include "platform/jet/translator/errors.h"
#include "platform/jet/translator/scope.h"

#include <QStringList>

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;

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

// Jet heads an expression given no name Expr1000, Expr1001, ... in the
// order of the select list; a column keeps its own name.
constexpr int FirstExpressionNumber = 1000;

QString expressionName(const Select& s, int position)
{
    int unnamed = 0;
    for (int i = 0; i < position; ++i) {
        const SelectItem& item = s.items[static_cast<std::size_t>(i)];
        if (item.alias.isEmpty() && item.expr->kind != Kind::Column)
            ++unnamed;
    }
    return QStringLiteral("Expr%1").arg(FirstExpressionNumber + unnamed - 1);
}

// The name an item keeps outside a wrapper query.
QString itemName(const Select& s, const SelectItem& item, int position)
{
    if (!item.alias.isEmpty())
        return item.alias;
    if (item.expr->kind == Kind::Column)
        return item.expr->text;
    return expressionName(s, position);
}

} // namespace

Emitter::Emitter(const QDateTime& now, const SchemaSnapshot* schema)
    : ExpressionEmitter(now)
    , m_schema(schema)
{
}

QString Emitter::statement(const Query& q)
{
    m_hidden = 0;
    return query(q, Place::TopLevel, nullptr);
}

QString Emitter::statementWithKeys(const Query& q, const QStringList& keys)
{
    m_keys = keys;
    QString sql = statement(q);
    m_keys.clear();
    return sql;
}

QString Emitter::whereCondition(const Select& s)
{
    const Scope scope(s, m_schema, nullptr);
    return condition(*s.where, true, scope);
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

    if (s.top == 0 && place == Place::TopLevel && !m_keys.isEmpty()) {
        QStringList keys;
        for (qsizetype k = 0; k < m_keys.size(); ++k)
            keys << m_keys[k] + QStringLiteral(" AS [__jet_key%1]").arg(k + 1);
        m_hidden = static_cast<int>(keys.size());
        return head + items(s, scope, false) + QStringLiteral(", ") + keys.join(QStringLiteral(", ")) + body
            + order;
    }
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
        else if (item.expr->kind != Kind::Column)
            sql += QStringLiteral(" AS ") + bracket(expressionName(s, position));
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
        out << inner + QStringLiteral(" AS ") + bracket(itemName(s, item, position));
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

QString Emitter::subquery(const Query& q, const Scope& scope)
{
    return query(q, Place::Nested, &scope);
}

} // namespace corvane::platform::jet
