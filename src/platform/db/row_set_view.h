#pragma once

#include "platform/db/table_columns.h"
#include "platform/db/value.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

namespace corvane::platform::db {

class Connection;

// All rows of one table in the table's order with one current row, for forms
// that pick a row by a criterion, show its columns and write edits back.
class RowSetView {
public:
    // Loads the rows; the first is current. 3078 when the table does not exist.
    // Reads and writes go through that connection until attach() names
    // another, or detach() none (a view kept while no connection is open).
    RowSetView(const Connection& connection, const QString& table);

    void attach(const Connection& connection) { m_connection = &connection; }
    void detach() { m_connection = nullptr; }

    // Loads the rows again; the first is current, pending edits are dropped.
    void refresh();

    long long recordCount() const { return static_cast<long long>(m_rows.size()); }
    // There is a current row unless the table is empty.
    bool hasCurrentRow() const { return m_current >= 0; }
    long long currentIndex() const { return m_current; }
    void moveTo(long long index);

    // Makes the first row (in the table's order) that meets the criterion,
    // a condition such as "[Report Name]='x'", the current row. With no row
    // meeting it, the current row stays as it was and false comes back.
    // Pending edits are dropped when the current row changes.
    bool findFirst(const QString& criterion);

    // The current row's value (an edited one when there is an edit);
    // 3021 without a current row, 3265 for an unknown column.
    Value value(const QString& column) const;
    // Any loaded row's value, e.g. to fill a selector.
    Value value(long long row, const QString& column) const;
    const QStringList& columnNames() const { return m_columns.names(); }

    // Edits a column of the current row; update() writes the edited columns.
    void setValue(const QString& column, const Value& value);
    bool isEdited() const { return !m_edits.empty(); }
    void cancelUpdate() { m_edits.clear(); }
    // Writes the edited columns of the current row (nothing edited: nothing
    // written); 3021 without a current row, 3167 when the row is gone.
    void update();

private:
    std::vector<Value> readRow(long long rowId) const;
    void changeCurrent(long long index);

    const Connection& connection() const;

    const Connection* m_connection;
    TableColumns m_columns;
    QString m_selectColumns;
    std::vector<long long> m_rowIds; // ascending: the table's order
    std::vector<std::vector<Value>> m_rows;
    long long m_current = -1;
    std::map<int, Value> m_edits; // column index -> value to store
};

} // namespace corvane::platform::db
