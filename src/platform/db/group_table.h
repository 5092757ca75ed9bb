#pragma once

#include "platform/db/value.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3_value;

namespace corvane::platform::db {

// Two numbers or Nulls as SQLite orders them (Null first, an integer and a
// double by exact value): -1, 0 or 1.
int compareNumbers(const Value& a, const Value& b);

// The groups of rows as SQLite's GROUP BY forms them, kept in a hash table:
// keys equal under SQLite's comparison and their column's collation share a
// group (Nulls one group, 1 and 1.0 one group, NOCASE folding ASCII only),
// and each group keeps what SQLite's count, sum and avg keep. A group shows
// the key values of the first row it saw, as SQLite does; rows come in
// chunks, and a group remembers the chunk its first row came from.
class GroupTable {
public:
    static constexpr std::size_t MaxKeys = 32; // more GROUP BY columns stay with SQLite
    static constexpr std::size_t MaxArguments = 32; // more aggregated columns too
    enum class Collation { Binary, NoCase, RightTrim };
    enum class Use { Count, Sum }; // Sum: also summed (sum and avg)

    GroupTable(std::vector<Collation> keys, std::vector<Use> arguments);

    // One row. False for a value whose grouping is not reproduced (a text
    // holding a NUL under NOCASE); the table is then no longer usable. Rows
    // wait in a small batch, so that the memory of several groups is fetched
    // at once: flush() before reading the table.
    bool add(sqlite3_value** keys, sqlite3_value** arguments, int chunk);
    void flush();
    // Takes in the groups of a table that read other chunks of the same rows.
    void merge(const GroupTable& other);

    std::size_t size() const { return m_size; }
    // The order the rows came in decides what a group shows: it met its key
    // in more than one spelling.
    bool spellingsDiffer() const;
    // A sum or average of doubles could round differently in another order.
    bool sumsDependOnOrder() const;
    // A sum's whole-number total could leave 64 bits in some order.
    bool mayOverflow() const;

    // Two groups' keys in one column as SQLite orders them: -1, 0 or 1.
    int compareKeys(std::size_t a, std::size_t b, int column) const;
    // The group's key values (those of its first row) and its aggregates.
    Value key(std::size_t group, int column) const;
    long long rows(std::size_t group) const;
    long long count(std::size_t group, int argument) const;
    Value sum(std::size_t group, int argument) const;
    Value average(std::size_t group, int argument) const;

private:
    // What sum and avg keep of one column, and what tells whether another
    // order of the values could round the double total differently.
    struct Summed {
        long long count;
        long long integerSum;
        double realSum;
        double magnitude; // sum of absolute values: bounds every partial sum
        std::uint64_t flags;
    };
    // A group is one record of m_stride words: hash, rows, lengths, first
    // chunk and flags, then its key (normalised, then as spelled) inline or
    // in m_long, then per argument a count or a Summed.
    static constexpr std::size_t InlineWords = 6;
    enum Word : std::size_t { HashWord, RowsWord, LengthsWord, ChunkWord, InlineWord };

    // A waiting row: its key bytes in m_batch, its values as the count and
    // sum steps see them in m_operands.
    struct Pending {
        std::uint64_t hash;
        std::size_t offset;
        std::size_t keyLength;
        std::size_t length;
        int chunk;
    };
    struct Operand {
        int type;
        std::int64_t integer;
        double real;
    };
    static constexpr std::size_t BatchRows = 32;
    static constexpr std::size_t CachedGroups = 2048;

    bool encode(sqlite3_value** keys);
    void read(sqlite3_value** arguments, Operand* operands) const;
    bool encodeTexts(
        sqlite3_value** keys, char* to, std::size_t room, std::size_t* keyLength, std::size_t* length) const;
    void process(const Pending& row, const Operand* operands);
    std::size_t locate(std::uint64_t hash, const char* key, std::size_t keyLength, const char* spelling,
        std::size_t spellingLength, int chunk);
    void accumulate(std::size_t group, const Operand* operands);
    std::uint64_t* record(std::size_t group) { return m_records.data() + group * m_stride; }
    const std::uint64_t* record(std::size_t group) const { return m_records.data() + group * m_stride; }
    const char* keyOf(const std::uint64_t* record) const;
    std::uint32_t keyLength(const std::uint64_t* record) const;
    std::uint32_t spellingLength(const std::uint64_t* record) const;
    bool sameSpelling(const std::uint64_t* record, const char* spelling, std::size_t length) const;
    std::size_t find(std::uint64_t hash, const char* key, std::size_t length) const;
    std::size_t insert(std::uint64_t hash, const char* key, std::size_t keyLength, const char* spelling,
        std::size_t spellingLength, int chunk);
    void grow();
    static constexpr std::size_t SummedWords = 5;
    static Summed load(const std::uint64_t* words);
    static void store(std::uint64_t* words, const Summed& summed);
    Summed summed(std::size_t group, std::size_t argument) const;

    std::vector<Collation> m_keys;
    std::vector<Use> m_uses;
    std::vector<std::size_t> m_offsets; // each argument's first word in a record
    std::size_t m_stride = 0;
    std::vector<std::uint64_t> m_slots; // 0: empty; else the group's index + 1 under its hash's top bits
    std::uint64_t m_mask = 0;
    std::vector<std::uint64_t> m_records;
    std::size_t m_size = 0;
    std::string m_long; // keys too long to sit in their record
    std::vector<Pending> m_pending;
    std::string m_batch; // each waiting row's key: normalised, then as spelled
    std::size_t m_batchSize = 0; // of m_batch, the part in use
    std::vector<Operand> m_operands;
};

} // namespace corvane::platform::db
