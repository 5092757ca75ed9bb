#include "platform/jet/translator/grouped_query.h"

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/emitter.h"
#include "platform/jet/translator/schema.h"
#include "platform/jet/translator/scope.h"

namespace corvane::platform::jet {

namespace {

using Kind = Expr::Kind;
using Value = GroupedQuery::Value;

bool holdsSubquery(const Expr& e)
{
    if (e.query)
        return true;
    for (const ExprPtr& arg : e.args) {
        if (holdsSubquery(*arg))
            return true;
    }
    return false;
}

bool isConstant(const Expr& e)
{
    switch (e.kind) {
    case Kind::Number:
    case Kind::Text:
    case Kind::Date:
        return true;
    case Kind::Negate:
        return e.args[0]->kind == Kind::Number;
    default:
        return false;
    }
}

// The conditions of an AND chain.
void conjuncts(const Expr& e, std::vector<const Expr*>& out)
{
    if (e.kind == Kind::And) {
        conjuncts(*e.args[0], out);
        conjuncts(*e.args[1], out);
    } else {
        out.push_back(&e);
    }
}

// The collations whose order and equality the grouping reproduces.
bool knownCollation(const QString& collation)
{
    return collation == QLatin1String("BINARY") || collation == QLatin1String("NOCASE")
        || collation == QLatin1String("RTRIM");
}

class Describer {
public:
    Describer(
        const Select& select, const SchemaSnapshot::Table& table, const FromItem& from, GroupedQuery& out)
        : m_select(select)
        , m_table(table)
        , m_visible(from.alias.isEmpty() ? from.name : from.alias)
        , m_out(out)
    {
    }

    // A plain column of the one table.
    const SchemaSnapshot::Column* column(const Expr& e) const
    {
        if (e.kind != Kind::Column)
            return nullptr;
        if (!e.qualifier.isEmpty() && e.qualifier.compare(m_visible, Qt::CaseInsensitive) != 0)
            return nullptr;
        return m_table.column(e.text);
    }

    std::optional<Value> value(const Expr& e)
    {
        for (std::size_t k = 0; k < m_select.groupBy.size(); ++k) {
            if (sameExpression(e, *m_select.groupBy[k]))
                return Value { true, static_cast<int>(k) };
        }
        if (e.kind != Kind::Call || !isAggregateCall(e))
            return std::nullopt;
        GroupedQuery::Computed computed;
        const QString name = e.text.toLower();
        if (name == QLatin1String("count") && e.countStar) {
            computed.kind = GroupedQuery::Aggregate::CountRows;
        } else {
            if (name == QLatin1String("count"))
                computed.kind = GroupedQuery::Aggregate::Count;
            else if (name == QLatin1String("sum"))
                computed.kind = GroupedQuery::Aggregate::Sum;
            else if (name == QLatin1String("avg"))
                computed.kind = GroupedQuery::Aggregate::Average;
            else
                return std::nullopt;
            const SchemaSnapshot::Column* argument = e.args.size() == 1 ? column(*e.args[0]) : nullptr;
            if (!argument)
                return std::nullopt;
            if (computed.kind == GroupedQuery::Aggregate::Count && argument == m_table.rowIdAlias())
                computed.kind = GroupedQuery::Aggregate::CountRows; // the rowid is never Null
            else
                computed.argument = argumentIndex(*argument);
        }
        for (std::size_t i = 0; i < m_out.computed.size(); ++i) {
            const GroupedQuery::Computed& known = m_out.computed[i];
            if (known.kind == computed.kind && known.argument == computed.argument)
                return Value { false, static_cast<int>(i) };
        }
        m_out.computed.push_back(computed);
        return Value { false, static_cast<int>(m_out.computed.size() - 1) };
    }

    // The one column every condition of the WHERE compares with constants,
    // or nothing.
    const SchemaSnapshot::Column* boundedColumn(const Expr& where) const
    {
        std::vector<const Expr*> conditions;
        conjuncts(where, conditions);
        const SchemaSnapshot::Column* bounded = nullptr;
        for (const Expr* c : conditions) {
            const SchemaSnapshot::Column* subject = nullptr;
            if (c->kind == Kind::Compare && c->text != QLatin1String("<>")) {
                if (isConstant(*c->args[1]))
                    subject = column(*c->args[0]);
                else if (isConstant(*c->args[0]))
                    subject = column(*c->args[1]);
            } else if (c->kind == Kind::Between && !c->negated && isConstant(*c->args[1])
                && isConstant(*c->args[2])) {
                subject = column(*c->args[0]);
            }
            if (!subject || (bounded && bounded != subject))
                return nullptr;
            bounded = subject;
        }
        return bounded;
    }

private:
    int argumentIndex(const SchemaSnapshot::Column& column)
    {
        for (std::size_t i = 0; i < m_out.arguments.size(); ++i) {
            if (m_out.arguments[i].name == column.name)
                return static_cast<int>(i);
        }
        m_out.arguments.push_back({ column.name, column.collation });
        return static_cast<int>(m_out.arguments.size() - 1);
    }

    const Select& m_select;
    const SchemaSnapshot::Table& m_table;
    QString m_visible;
    GroupedQuery& m_out;
};

} // namespace

// The table's columns an expression reads; all of them for a *.
void readColumns(const Expr& e, const SchemaSnapshot::Table& table, const QString& visible,
    QStringList& columns, bool& all)
{
    if (e.kind == Kind::Star) {
        all = true;
    } else if (e.kind == Kind::Column
        && (e.qualifier.isEmpty() || e.qualifier.compare(visible, Qt::CaseInsensitive) == 0)) {
        if (const SchemaSnapshot::Column* column = table.column(e.text);
            column && !columns.contains(column->name))
            columns << column->name;
    }
    for (const ExprPtr& arg : e.args)
        readColumns(*arg, table, visible, columns, all);
}

std::optional<TableFilter> describeTableFilter(
    const Query& query, const SchemaSnapshot* schema, Emitter& emitter)
{
    if (!schema || query.selects.size() != 1)
        return std::nullopt;
    const Select& s = query.selects.front();
    if (s.from.size() != 1 || s.from.front()->kind != FromItem::Kind::Table)
        return std::nullopt;
    std::vector<const Expr*> parts { s.where.get(), s.having.get() };
    for (const SelectItem& item : s.items)
        parts.push_back(item.expr.get());
    for (const ExprPtr& group : s.groupBy)
        parts.push_back(group.get());
    for (const OrderTerm& term : query.orderBy)
        parts.push_back(term.expr.get());
    for (const Expr* part : parts) {
        if (part && holdsSubquery(*part))
            return std::nullopt;
    }
    const SchemaSnapshot::Table* table = schema->table(s.from.front()->name);
    if (!table)
        return std::nullopt;
    TableFilter filter { table->name, s.from.front()->alias, {}, {} };
    if (s.where)
        filter.where = emitter.whereCondition(s);
    const QString& visible = filter.alias.isEmpty() ? filter.table : filter.alias;
    bool all = s.star;
    for (const Expr* part : parts) {
        if (part)
            readColumns(*part, *table, visible, filter.columns, all);
    }
    if (all)
        filter.columns.clear();
    else if (filter.columns.isEmpty())
        filter.columns << table->columns.front().name; // Count(*) alone: any one column will do
    return filter;
}

std::optional<KeyedListing> describeKeyedListing(
    const Query& query, const SchemaSnapshot* schema, const TableFilter& filter, Emitter& emitter)
{
    const Select& s = query.selects.front(); // one, as the filter says
    if (s.distinct || s.top > 0 || !s.groupBy.empty() || s.having || query.orderBy.empty())
        return std::nullopt;
    for (const SelectItem& item : s.items) {
        if (findAggregate(*item.expr))
            return std::nullopt;
    }
    const SchemaSnapshot::Table* table = schema->table(filter.table);
    const SchemaSnapshot::Column* rowId = table->rowIdAlias();
    // Each file numbers its rows anew: a query that shows the numbers cannot be merged.
    if (filter.columns.isEmpty() || (rowId && filter.columns.contains(rowId->name, Qt::CaseInsensitive)))
        return std::nullopt;
    const QString& visible = filter.alias.isEmpty() ? filter.table : filter.alias;
    const Scope scope(s, schema);
    KeyedListing listing;
    QStringList keys;
    for (const OrderTerm& term : query.orderBy) {
        const SelectItem* target = scope.aliased(*term.expr);
        const Expr& e = target ? *target->expr : *term.expr;
        if (e.kind != Kind::Column
            || (!e.qualifier.isEmpty() && e.qualifier.compare(visible, Qt::CaseInsensitive) != 0))
            return std::nullopt;
        const SchemaSnapshot::Column* column = table->column(e.text);
        if (!column || (&term != &query.orderBy.front() && term.descending != listing.descending))
            return std::nullopt;
        listing.descending = term.descending;
        listing.columns << column->name;
        keys << QLatin1Char('[') + visible + QStringLiteral("].[") + column->name + QLatin1Char(']');
    }
    listing.sql = emitter.statementWithKeys(query, keys);
    return listing;
}

std::optional<GroupedQuery> describeGroupedQuery(
    const Query& query, const SchemaSnapshot* schema, int hiddenColumns, Emitter& emitter)
{
    if (!schema || query.selects.size() != 1)
        return std::nullopt;
    const Select& s = query.selects.front();
    if (s.distinct || s.star || s.having || s.groupBy.empty() || s.from.size() != 1
        || s.from.front()->kind != FromItem::Kind::Table)
        return std::nullopt;
    if (s.where && holdsSubquery(*s.where))
        return std::nullopt;
    const FromItem& from = *s.from.front();
    const SchemaSnapshot::Table* table = schema->table(from.name);
    if (!table)
        return std::nullopt;

    GroupedQuery out;
    out.table = table->name;
    out.alias = from.alias;
    Describer describer(s, *table, from, out);
    for (const ExprPtr& group : s.groupBy) {
        const SchemaSnapshot::Column* key = describer.column(*group);
        if (!key || !knownCollation(key->collation))
            return std::nullopt;
        out.keys.push_back({ key->name, key->collation });
    }
    for (const SelectItem& item : s.items) {
        const std::optional<Value> value = describer.value(*item.expr);
        if (!value)
            return std::nullopt;
        out.outputs.push_back(*value);
    }
    const Scope scope(s, schema);
    for (const OrderTerm& term : query.orderBy) {
        const SelectItem* target = scope.aliased(*term.expr);
        const std::optional<Value> value = describer.value(target ? *target->expr : *term.expr);
        if (!value)
            return std::nullopt;
        out.order.push_back({ *value, term.descending });
    }

    out.top = s.top;
    if (s.top > 0) {
        if (hiddenColumns == 1)
            out.limit = GroupedQuery::Limit::Ties;
        else if (hiddenColumns == 2)
            out.limit = GroupedQuery::Limit::TiesPercent;
        else if (!s.percent)
            out.limit = GroupedQuery::Limit::First;
        else
            return std::nullopt; // a share of rows in no order: the count comes from a second query
    }
    if (s.where) {
        out.where = emitter.whereCondition(s);
        if (const SchemaSnapshot::Column* bounded = describer.boundedColumn(*s.where))
            out.rangeColumn = bounded->name;
    }
    return out;
}

} // namespace corvane::platform::jet
