#pragma once

#include "platform/db/statement.h"
#include "platform/db/value.h"
#include "platform/jet/translator/grouped_query.h"

#include <memory>
#include <vector>

namespace corvane::platform::db {

class Connection;

// The rows of a listing over files that split one table's rows, oldest file
// first, merged as they come: what one file holding every row would give.
// In one file the rows come along the index of the ORDER BY columns, ties in
// row order, and every row of an older file comes before the rows of a newer
// one; so when each file walks that same index, merging the files' rows by
// the index's keys, ties to the older file, gives the one file's order (for
// a descending order, all of it reversed).
class MergedListing {
public:
    // Nothing when a file's plan sorts instead of walking such an index.
    // plainSql: the listing as the current (last) file would run it alone;
    // columns: its visible columns.
    static std::unique_ptr<MergedListing> open(const std::vector<const Connection*>& files,
        const jet::KeyedListing& listing, const QString& plainSql, int columns);

    [[nodiscard]] bool next(std::vector<Value>& row);

private:
    enum class Collation { Binary, NoCase };
    struct Source {
        Statement statement;
        std::vector<Value> head; // the row it would give next
        bool done = false;
    };

    MergedListing(
        std::vector<Source> sources, std::vector<Collation> collations, bool descending, int columns);
    void advance(std::size_t source);
    bool before(std::size_t a, std::size_t b) const;

    std::vector<Source> m_sources;
    std::vector<Collation> m_collations; // one per key
    bool m_descending;
    int m_columns;
    std::vector<std::size_t> m_heap; // sources with a row, the next one to give on top
};

} // namespace corvane::platform::db
