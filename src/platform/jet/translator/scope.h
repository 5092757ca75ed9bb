#pragma once

#include "platform/jet/translator/ast.h"
#include "platform/jet/translator/schema.h"

#include <QString>
#include <vector>

namespace corvane::platform::jet {

// The tables one SELECT reads, resolved against the schema snapshot: which
// column a name refers to, and which select item an ORDER BY alias means.
class Scope {
public:
    Scope(const Select& select, const SchemaSnapshot* schema, const Scope* outer = nullptr);

    // The schema column a column reference names, or nullptr when unknown
    // (no snapshot, a derived table, or no such column).
    const SchemaSnapshot::Column* column(const Expr& reference) const;

    // The name the FROM clause gives the table holding an unqualified column.
    QString holder(const Expr& reference) const;

    // The select item an unqualified ORDER BY name refers to by its alias.
    // A real column of the same name wins, as in Jet.
    const SelectItem* aliased(const Expr& term) const;

    // The single plain table the SELECT reads, or nullptr (joins, derived
    // tables, several tables, unknown to the snapshot).
    const SchemaSnapshot::Table* onlyTable() const;
    const std::vector<SelectItem>& items() const { return m_select.items; }
    // More than one source in FROM (joins or commas).
    bool joined() const { return m_sources.size() > 1; }

private:
    struct Source {
        QString visible; // alias, or the table name
        const SchemaSnapshot::Table* table = nullptr;
    };
    void collect(const FromItem& item, const SchemaSnapshot* schema);
    const Source* sourceOf(const Expr& reference) const;

    const Select& m_select;
    const Scope* m_outer;
    std::vector<Source> m_sources;
};

} // namespace corvane::platform::jet
