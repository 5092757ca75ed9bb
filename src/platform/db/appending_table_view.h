#pragma once

#include "platform/db/statement.h"
#include "platform/db/table_columns.h"
#include "platform/db/value.h"

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace corvane::platform::db {

class Connection;

// A table opened only to append: one new row at a time, each committed by
// itself, with a record count that is counted once, when first asked, and
// then kept, so neither opening nor a steady stream of rows reads the whole
// table.
class AppendingTableView {
public:
    // 3078 when the table does not exist.
    AppendingTableView(const Connection& connection, const QString& table);

    // Starts a new, empty row; an unfinished one is dropped.
    void addNew();
    // Column names without regard to case: 3265 when unknown, 3020 before addNew.
    void setValue(const QString& column, const Value& value);
    void setValue(const QString& column, const QDateTime& value);
    // By position, for callers that append many rows and look the names up
    // once with columnIndex(); 3020 before addNew.
    int columnIndex(const QString& column) const { return m_columns.require(column); }
    void setValue(int column, const Value& value);
    void setValue(int column, const QDateTime& value);
    // Commits the row by itself (3020 without addNew). A failed insert
    // leaves nothing stored and the row dropped.
    void update();
    void cancelUpdate() { m_editing = false; }
    bool isEditing() const { return m_editing; }

    // The table's rows: counted at the first call, then kept up to date
    // with the rows appended here.
    long long recordCount() const;
    // Rows appended inside a transaction the caller then rolled back.
    void forget(long long rows);
    long long lastInsertedRowId() const { return m_lastRowId; }
    const TableColumns& columns() const { return m_columns; }

private:
    Statement& insertFor(const std::vector<bool>& set);
    int editableColumn(const QString& column) const;
    void requireEditing() const;

    const Connection& m_connection;
    TableColumns m_columns;
    mutable std::optional<long long> m_recordCount;
    long long m_lastRowId = 0;
    bool m_editing = false;
    std::vector<Value> m_values;
    std::vector<bool> m_set;
    // One kept INSERT per set of columns written, so unset columns take their defaults.
    std::map<std::vector<bool>, Statement> m_inserts;
};

} // namespace corvane::platform::db
