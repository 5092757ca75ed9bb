#include "platform/jet/translator/scope.h"

namespace corvane::platform::jet {

Scope::Scope(const Select& select, const SchemaSnapshot* schema, const Scope* outer)
    : m_select(select)
    , m_outer(outer)
{
    for (const FromItemPtr& item : select.from)
        collect(*item, schema);
}

void Scope::collect(const FromItem& item, const SchemaSnapshot* schema)
{
    switch (item.kind) {
    case FromItem::Kind::Table:
        m_sources.push_back(
            { item.alias.isEmpty() ? item.name : item.alias, schema ? schema->table(item.name) : nullptr });
        break;
    case FromItem::Kind::Derived:
        m_sources.push_back({ item.alias, nullptr });
        break;
    case FromItem::Kind::Join:
        collect(*item.left, schema);
        collect(*item.right, schema);
        break;
    case FromItem::Kind::Group:
        collect(*item.left, schema);
        break;
    }
}

const Scope::Source* Scope::sourceOf(const Expr& reference) const
{
    if (reference.kind != Expr::Kind::Column)
        return nullptr;
    for (const Source& source : m_sources) {
        if (!reference.qualifier.isEmpty()) {
            if (reference.qualifier.compare(source.visible, Qt::CaseInsensitive) == 0)
                return &source;
        } else if (source.table && source.table->column(reference.text)) {
            return &source;
        }
    }
    return nullptr;
}

const SchemaSnapshot::Column* Scope::column(const Expr& reference) const
{
    if (const Source* source = sourceOf(reference))
        return source->table ? source->table->column(reference.text) : nullptr;
    // A correlated subquery may name a column of an outer query.
    return m_outer ? m_outer->column(reference) : nullptr;
}

QString Scope::holder(const Expr& reference) const
{
    const Source* source = sourceOf(reference);
    return source && source->table && source->table->column(reference.text) ? source->visible : QString();
}

const SelectItem* Scope::aliased(const Expr& term) const
{
    if (term.kind != Expr::Kind::Column || !term.qualifier.isEmpty())
        return nullptr;
    for (const SelectItem& item : m_select.items) {
        if (item.alias.compare(term.text, Qt::CaseInsensitive) != 0)
            continue;
        const bool sameColumn = item.expr->kind == Expr::Kind::Column
            && item.expr->text.compare(term.text, Qt::CaseInsensitive) == 0;
        if (sameColumn || !holder(term).isEmpty())
            return nullptr;
        return &item;
    }
    return nullptr;
}

const SchemaSnapshot::Table* Scope::onlyTable() const
{
    return m_sources.size() == 1 ? m_sources.front().table : nullptr;
}

} // namespace corvane::platform::jet
