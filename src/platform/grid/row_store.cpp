#include "platform/grid/row_store.h"

#include <cstring>

namespace corvane::platform {

namespace {

// Big enough that the blocks cost nothing per row, small enough that the
// last one's unused part does not matter.
constexpr std::size_t BlockBytes = std::size_t(1) << 20;

// Lengths below 128 take one byte, as nearly every cell's does.
void putLength(std::vector<unsigned char>& out, std::size_t length)
{
    while (length >= 0x80) {
        out.push_back(static_cast<unsigned char>(length | 0x80));
        length >>= 7;
    }
    out.push_back(static_cast<unsigned char>(length));
}

std::size_t takeLength(const unsigned char*& p)
{
    std::size_t length = 0;
    int shift = 0;
    while (*p & 0x80) {
        length |= static_cast<std::size_t>(*p++ & 0x7f) << shift;
        shift += 7;
    }
    return length | static_cast<std::size_t>(*p++) << shift;
}

} // namespace

RowStore::RowStore(int columns)
    : m_columns(columns)
{
}

std::uint64_t RowStore::store(const QStringList& cells)
{
    std::vector<unsigned char> encoded;
    for (int c = 0; c < m_columns; ++c) {
        const QByteArray utf8 = c < cells.size() ? cells[c].toUtf8() : QByteArray();
        putLength(encoded, static_cast<std::size_t>(utf8.size()));
        encoded.insert(encoded.end(), utf8.begin(), utf8.end());
    }
    if (m_blocks.empty() || m_used + encoded.size() > BlockBytes) {
        // A row longer than a block gets a block of its own.
        m_blocks.push_back(std::make_unique<unsigned char[]>(std::max(BlockBytes, encoded.size())));
        m_used = 0;
    }
    if (!encoded.empty())
        std::memcpy(m_blocks.back().get() + m_used, encoded.data(), encoded.size());
    const std::uint64_t handle = (static_cast<std::uint64_t>(m_blocks.size() - 1) << 32) | m_used;
    m_used += encoded.size();
    return handle;
}

const unsigned char* RowStore::at(std::uint64_t handle) const
{
    return m_blocks[static_cast<std::size_t>(handle >> 32)].get() + (handle & 0xffffffffu);
}

void RowStore::append(const QStringList& cells)
{
    m_rows.push_back(store(cells));
}

QString RowStore::text(std::size_t row, int col) const
{
    const unsigned char* p = at(m_rows[row]);
    for (int c = 0; c < col; ++c)
        p += takeLength(p);
    const std::size_t length = takeLength(p);
    return QString::fromUtf8(reinterpret_cast<const char*>(p), static_cast<qsizetype>(length));
}

QStringList RowStore::row(std::size_t row) const
{
    QStringList cells;
    cells.reserve(m_columns);
    const unsigned char* p = at(m_rows[row]);
    for (int c = 0; c < m_columns; ++c) {
        const std::size_t length = takeLength(p);
        cells.append(QString::fromUtf8(reinterpret_cast<const char*>(p), static_cast<qsizetype>(length)));
        p += length;
    }
    return cells;
}

void RowStore::replace(std::size_t row, const QStringList& cells)
{
    m_rows[row] = store(cells);
}

void RowStore::reorder(std::size_t first, const std::vector<std::size_t>& order)
{
    std::vector<std::uint64_t> moved;
    moved.reserve(order.size());
    for (std::size_t i : order)
        moved.push_back(m_rows[first + i]);
    std::copy(moved.begin(), moved.end(), m_rows.begin() + static_cast<std::ptrdiff_t>(first));
}

std::size_t RowStore::bytes() const
{
    return m_blocks.size() * BlockBytes + m_rows.capacity() * sizeof(std::uint64_t);
}

} // namespace corvane::platform
