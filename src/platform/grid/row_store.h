#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace corvane::platform {

// The text rows of a grid, held compactly: each row is its cells' UTF-8
// bytes, each after its length, in large blocks, and the rows are an array
// of 8-byte handles. A million rows of a log listing take about 90 bytes each
// instead of a kilobyte of strings; reordering moves handles only. Rows are
// appended, read, replaced whole and reordered; a replaced row's old bytes
// stay in their block until the store goes.
class RowStore {
public:
    explicit RowStore(int columns = 0);
    RowStore(RowStore&&) noexcept = default;
    RowStore& operator=(RowStore&&) noexcept = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int columns() const { return m_columns; }
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }

    // Cells past the column count are dropped, missing ones are empty.
    void append(const QStringList& cells);
    QString text(std::size_t row, int col) const;
    QStringList row(std::size_t row) const;
    void replace(std::size_t row, const QStringList& cells);
    // rows[first + i] becomes what rows[first + order[i]] was.
    void reorder(std::size_t first, const std::vector<std::size_t>& order);

    // Bytes held, for the memory a preview costs.
    std::size_t bytes() const;

private:
    std::uint64_t store(const QStringList& cells);
    const unsigned char* at(std::uint64_t handle) const;

    int m_columns;
    std::vector<std::unique_ptr<unsigned char[]>> m_blocks;
    std::size_t m_used = 0; // in the last block
    std::vector<std::uint64_t> m_rows; // block << 32 | offset
};

} // namespace corvane::platform
