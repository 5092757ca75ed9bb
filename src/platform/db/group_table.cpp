#include "platform/db/group_table.h"

#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace corvane::platform::db {

namespace {

// Every whole number up to here is a double, and so is every sum of them:
// a sum of such numbers whose magnitudes add up to no more is exact in any order.
constexpr double ExactLimit = 9007199254740992.0; // 2^53
constexpr double OverflowGuard = 4611686018427387904.0; // 2^62

enum Tag : char { NullTag = 'N', IntegerTag = 'I', RealTag = 'R', TextTag = 'T', BlobTag = 'B' };

constexpr std::uint64_t Approximate = 1; // a value was no integer: the sum is a double
constexpr std::uint64_t Overflow = 2;
constexpr std::uint64_t Inexact = 4; // the double total may depend on the order of its terms

constexpr std::uint64_t Mixed = 1ULL << 32; // the key came in more than one spelling
constexpr std::uint64_t OutOfLine = 1ULL << 33; // the key sits in m_long

std::uint64_t mix(std::uint64_t a, std::uint64_t b)
{
    const unsigned __int128 product
        = static_cast<unsigned __int128>(a ^ 0xa0761d6478bd642fULL) * (b ^ 0xe7037ed1a0b428dbULL);
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

std::uint64_t load64(const char* at)
{
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

std::uint64_t load32(const char* at)
{
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// Reads the bytes in at most two overlapping words each step, never past the
// end: most keys are short.
[[gnu::always_inline]] inline std::uint64_t hashOf(const char* bytes, std::size_t size)
{
    constexpr std::uint64_t Seed = 0x8ebc6af09c88c6e3ULL;
    if (size <= 16) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        if (size >= 8) {
            a = load64(bytes);
            b = load64(bytes + size - 8);
        } else if (size >= 4) {
            a = load32(bytes);
            b = load32(bytes + size - 4);
        } else if (size > 0) {
            a = static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[0])) << 16
                | static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8
                | static_cast<unsigned char>(bytes[size - 1]);
        }
        return mix(a ^ (size * Seed), b);
    }
    std::uint64_t hash = size * Seed;
    std::size_t i = 0;
    for (; i + 16 < size; i += 16)
        hash = mix(load64(bytes + i) ^ hash, load64(bytes + i + 8));
    return mix(load64(bytes + size - 16) ^ hash, load64(bytes + size - 8));
}

// NOCASE folds A-Z and nothing else, eight bytes at a time. False for a NUL,
// where NOCASE stops comparing; *upper when a letter was folded.
[[gnu::always_inline]] inline bool fold(const char* from, std::size_t size, char* to, bool* upper)
{
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    constexpr std::uint64_t Highs = 0x8080808080808080ULL;
    std::size_t i = 0;
    std::uint64_t uppers = 0;
    for (; i + 8 <= size; i += 8) {
        const std::uint64_t word = load64(from + i);
        if ((word - Ones) & ~word & Highs)
            return false;
        // Per byte, without carries: at least 'A', at most 'Z', below 0x80.
        const std::uint64_t low = word & ~Highs;
        const std::uint64_t letters = (low + 0x3f * Ones) & ~(low + 0x25 * Ones) & ~word & Highs;
        uppers |= letters;
        const std::uint64_t folded = word | (letters >> 2);
        std::memcpy(to + i, &folded, sizeof folded);
    }
    for (; i < size; ++i) {
        const char c = from[i];
        if (c == 0)
            return false;
        const bool letter = c >= 'A' && c <= 'Z';
        uppers |= letter;
        to[i] = static_cast<char>(letter ? c + ('a' - 'A') : c);
    }
    *upper = uppers != 0;
    return true;
}

// Without a call: from 2^52 on every double is whole (SQLite stores no NaN).
bool isWhole(double d)
{
    return !(std::fabs(d) < 4503599627370496.0) || d == static_cast<double>(static_cast<std::int64_t>(d));
}

// Short keys are the rule: compared a word at a time, without a call.
bool sameBytes(const char* a, const char* b, std::size_t size)
{
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y)
            return false;
    }
    for (; i < size; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

char* put(char* at, const void* data, std::size_t size)
{
    std::memcpy(at, data, size);
    return at + size;
}

char* putLength(char* at, std::size_t size)
{
    const auto length = static_cast<std::uint32_t>(size);
    return put(at, &length, sizeof length);
}

} // namespace

int compareNumbers(const Value& a, const Value& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull() ? 0 : a.isNull() ? -1 : 1;
    if (a.isInteger() && b.isInteger()) {
        const std::int64_t x = a.toInt64();
        const std::int64_t y = b.toInt64();
        return x == y ? 0 : x < y ? -1 : 1;
    }
    if (a.isDouble() && b.isDouble()) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y ? 0 : x < y ? -1 : 1;
    }
    // An integer against a double, exactly, as SQLite compares them.
    const bool integerFirst = a.isInteger();
    const std::int64_t i = integerFirst ? a.toInt64() : b.toInt64();
    const double r = integerFirst ? b.toDouble() : a.toDouble();
    int order = 0;
    if (r < -9223372036854775808.0) {
        order = 1;
    } else if (r >= 9223372036854775808.0) {
        order = -1;
    } else {
        const auto whole = static_cast<std::int64_t>(r); // toward zero, exact in range
        const double fraction = r - static_cast<double>(whole);
        if (i != whole)
            order = i < whole ? -1 : 1;
        else
            order = fraction > 0 ? -1 : fraction < 0 ? 1 : 0;
    }
    return integerFirst ? order : -order;
}

GroupTable::GroupTable(std::vector<Collation> keys, std::vector<Use> arguments)
    : m_keys(std::move(keys))
    , m_uses(std::move(arguments))
{
    std::size_t words = InlineWord + InlineWords;
    for (Use use : m_uses) {
        m_offsets.push_back(words);
        words += use == Use::Count ? 1 : SummedWords;
    }
    m_stride = words;
    m_slots.assign(1024, 0);
    m_mask = m_slots.size() - 1;
}

// The row's key twice at the end of m_batch: normalised, so that equal
// bytes mean equal to SQLite (same tag, a text as its collation sees it:
// folded, or without trailing spaces), then as it is, to show and to tell
// spellings apart.
bool GroupTable::encode(sqlite3_value** keys)
{
    struct Read {
        int type;
        const char* bytes;
        std::size_t size;
        std::int64_t integer;
        double real;
    };
    std::array<Read, MaxKeys> values;
    std::size_t bound = 0;
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        Read& v = values[k];
        sqlite3_value* value = keys[k];
        v.type = sqlite3_value_type(value);
        v.bytes = nullptr;
        v.size = 0;
        if (v.type == SQLITE_INTEGER) {
            v.integer = sqlite3_value_int64(value);
        } else if (v.type == SQLITE_FLOAT) {
            v.real = sqlite3_value_double(value);
        } else if (v.type == SQLITE_TEXT) {
            v.bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
            v.size = static_cast<std::size_t>(sqlite3_value_bytes(value));
        } else if (v.type == SQLITE_BLOB) {
            v.bytes = static_cast<const char*>(sqlite3_value_blob(value));
            v.size = static_cast<std::size_t>(sqlite3_value_bytes(value));
        }
        bound += 2 * (9 + v.size);
    }
    const std::size_t offset = m_batchSize;
    if (m_batch.size() < offset + bound)
        m_batch.resize(std::max(offset + bound, 2 * m_batch.size()));
    char* const start = m_batch.data() + offset;
    char* at = start;
    bool asSpelled = true; // the normalised key reads back as the values themselves
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        const Read& v = values[k];
        switch (v.type) {
        case SQLITE_NULL:
            *at++ = NullTag;
            break;
        case SQLITE_INTEGER:
            *at++ = IntegerTag;
            at = put(at, &v.integer, sizeof v.integer);
            break;
        case SQLITE_FLOAT:
            // 1.0 groups with 1: a whole double within range is that integer.
            if (isWhole(v.real) && v.real >= -9223372036854775808.0 && v.real < 9223372036854775808.0) {
                const auto i = static_cast<std::int64_t>(v.real);
                *at++ = IntegerTag;
                at = put(at, &i, sizeof i);
                asSpelled = false;
            } else {
                *at++ = RealTag;
                at = put(at, &v.real, sizeof v.real);
            }
            break;
        case SQLITE_TEXT: {
            std::size_t size = v.size;
            *at++ = TextTag;
            if (m_keys[k] == Collation::NoCase) {
                // A text with a NUL stays with SQLite: NOCASE stops comparing there.
                at = putLength(at, size);
                bool upper = false;
                if (!fold(v.bytes, size, at, &upper))
                    return false;
                at += size;
                asSpelled = asSpelled && !upper;
            } else {
                if (m_keys[k] == Collation::RightTrim) {
                    while (size > 0 && v.bytes[size - 1] == ' ')
                        --size;
                    asSpelled = asSpelled && size == v.size;
                }
                at = putLength(at, size);
                at = put(at, v.bytes, size);
            }
            break;
        }
        default:
            *at++ = BlobTag;
            at = putLength(at, v.size);
            at = put(at, v.bytes, v.size);
            break;
        }
    }
    const auto keyLength = static_cast<std::size_t>(at - start);
    // Otherwise the values follow as they are; an empty spelling means the key's own.
    for (std::size_t k = 0; !asSpelled && k < m_keys.size(); ++k) {
        const Read& v = values[k];
        *at++ = static_cast<char>(v.type);
        if (v.type == SQLITE_INTEGER) {
            at = put(at, &v.integer, sizeof v.integer);
        } else if (v.type == SQLITE_FLOAT) {
            at = put(at, &v.real, sizeof v.real);
        } else if (v.type != SQLITE_NULL) {
            at = putLength(at, v.size);
            at = put(at, v.bytes, v.size);
        }
    }
    const auto length = static_cast<std::size_t>(at - start);
    m_batchSize = offset + length;
    m_pending.push_back({ hashOf(start, keyLength), offset, keyLength, length, 0 });
    return true;
}

[[gnu::always_inline]] inline const char* GroupTable::keyOf(const std::uint64_t* record) const
{
    if (record[ChunkWord] & OutOfLine)
        return m_long.data() + record[InlineWord];
    return reinterpret_cast<const char*>(record + InlineWord);
}

[[gnu::always_inline]] inline std::uint32_t GroupTable::keyLength(const std::uint64_t* record) const
{
    return static_cast<std::uint32_t>(record[LengthsWord]);
}

[[gnu::always_inline]] inline std::uint32_t GroupTable::spellingLength(const std::uint64_t* record) const
{
    return static_cast<std::uint32_t>(record[LengthsWord] >> 32);
}

[[gnu::always_inline]] inline bool GroupTable::sameSpelling(
    const std::uint64_t* record, const char* spelling, std::size_t length) const
{
    return spellingLength(record) == length && sameBytes(keyOf(record) + keyLength(record), spelling, length);
}

[[gnu::always_inline]] inline std::size_t GroupTable::find(
    std::uint64_t hash, const char* key, std::size_t length) const
{
    const std::uint64_t tag = hash & ~0xffffffffULL;
    for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
        const std::uint64_t slot = m_slots[i];
        if (slot == 0)
            return m_size;
        if ((slot & ~0xffffffffULL) != tag)
            continue;
        const std::size_t group = (slot & 0xffffffffULL) - 1;
        const std::uint64_t* r = record(group);
        if (r[HashWord] == hash && keyLength(r) == length && sameBytes(keyOf(r), key, length))
            return group;
    }
}

std::size_t GroupTable::insert(std::uint64_t hash, const char* key, std::size_t keyLength,
    const char* spelling, std::size_t spellingLength, int chunk)
{
    if ((m_size + 1) * 2 > m_slots.size())
        grow();
    const std::size_t group = m_size++;
    m_records.resize(m_size * m_stride, 0);
    std::uint64_t* r = record(group);
    r[HashWord] = hash;
    r[LengthsWord] = keyLength | (static_cast<std::uint64_t>(spellingLength) << 32);
    r[ChunkWord] = static_cast<std::uint32_t>(chunk);
    char* to = reinterpret_cast<char*>(r + InlineWord);
    if (keyLength + spellingLength > InlineWords * sizeof(std::uint64_t)) {
        r[ChunkWord] |= OutOfLine;
        r[InlineWord] = m_long.size();
        m_long.append(key, keyLength);
        m_long.append(spelling, spellingLength);
    } else {
        std::memcpy(to, key, keyLength);
        std::memcpy(to + keyLength, spelling, spellingLength);
    }
    std::size_t i = hash & m_mask;
    while (m_slots[i] != 0)
        i = (i + 1) & m_mask;
    m_slots[i] = (hash & ~0xffffffffULL) | (group + 1);
    return group;
}

void GroupTable::grow()
{
    m_slots.assign(m_slots.size() * 2, 0);
    m_mask = m_slots.size() - 1;
    m_records.reserve(m_slots.size() / 2 * m_stride);
    for (std::size_t g = 0; g < m_size; ++g) {
        const std::uint64_t hash = record(g)[HashWord];
        std::size_t i = hash & m_mask;
        while (m_slots[i] != 0)
            i = (i + 1) & m_mask;
        m_slots[i] = (hash & ~0xffffffffULL) | (g + 1);
    }
}

[[gnu::always_inline]] inline void GroupTable::read(sqlite3_value** arguments, Operand* operands) const
{
    for (std::size_t a = 0; a < m_uses.size(); ++a) {
        sqlite3_value* value = arguments[a];
        Operand& operand = operands[a];
        operand = { SQLITE_NULL, 0, 0 };
        if (m_uses[a] == Use::Count) {
            operand.type = sqlite3_value_type(value);
        } else {
            // As SQLite's sum step reads a value: numeric affinity first.
            operand.type = sqlite3_value_numeric_type(value);
            if (operand.type == SQLITE_INTEGER)
                operand.integer = sqlite3_value_int64(value);
            else if (operand.type != SQLITE_NULL)
                operand.real = sqlite3_value_double(value);
        }
    }
}

// The common case, keys that are all texts: the key and its spelling as
// encode() writes them, into room bytes at to. False when a key is no such
// text, or they do not fit.
bool GroupTable::encodeTexts(
    sqlite3_value** keys, char* to, std::size_t room, std::size_t* keyLength, std::size_t* length) const
{
    std::array<const char*, MaxKeys> texts;
    std::array<std::size_t, MaxKeys> sizes;
    std::size_t at = 0;
    bool upper = false;
    for (std::size_t k = 0; k < m_keys.size(); ++k) {
        if (sqlite3_value_type(keys[k]) != SQLITE_TEXT || m_keys[k] == Collation::RightTrim)
            return false;
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(keys[k]));
        const auto size = static_cast<std::size_t>(sqlite3_value_bytes(keys[k]));
        if (2 * (at + 5 + size) > room)
            return false;
        texts[k] = text;
        sizes[k] = size;
        to[at] = TextTag;
        putLength(to + at + 1, size);
        bool folded = false;
        if (m_keys[k] == Collation::NoCase) {
            if (!fold(text, size, to + at + 5, &folded))
                return false; // encode() refuses it
        } else {
            std::memcpy(to + at + 5, text, size);
        }
        upper = upper || folded;
        at += 5 + size;
    }
    *keyLength = at;
    for (std::size_t k = 0; upper && k < m_keys.size(); ++k) {
        to[at] = static_cast<char>(SQLITE_TEXT);
        putLength(to + at + 1, sizes[k]);
        std::memcpy(to + at + 5, texts[k], sizes[k]);
        at += 5 + sizes[k];
    }
    *length = at;
    return true;
}

bool GroupTable::add(sqlite3_value** keys, sqlite3_value** arguments, int chunk)
{
    constexpr std::size_t Room = 256;
    std::array<Operand, MaxArguments> operands;
    std::size_t keyLength = 0;
    std::size_t length = 0;
    if (m_size < CachedGroups && m_pending.empty()) {
        // Few groups stay in the cache anyway: straight to the group.
        std::array<char, Room> key;
        if (encodeTexts(keys, key.data(), key.size(), &keyLength, &length)) {
            read(arguments, operands.data());
            accumulate(locate(hashOf(key.data(), keyLength), key.data(), keyLength, key.data() + keyLength,
                           length - keyLength, chunk),
                operands.data());
            return true;
        }
    }
    if (m_batch.size() < m_batchSize + Room)
        m_batch.resize(std::max(m_batchSize + Room, 2 * m_batch.size()));
    char* to = m_batch.data() + m_batchSize;
    if (encodeTexts(keys, to, Room, &keyLength, &length)) {
        m_pending.push_back({ hashOf(to, keyLength), m_batchSize, keyLength, length, chunk });
        m_batchSize += length;
    } else if (!encode(keys)) {
        return false;
    }
    Pending& row = m_pending.back();
    row.chunk = chunk;
    read(arguments, operands.data());
    if (m_size < CachedGroups && m_pending.size() == 1) {
        process(row, operands.data());
        m_pending.clear();
        m_batchSize = 0;
        return true;
    }
    __builtin_prefetch(&m_slots[row.hash & m_mask]);
    m_operands.insert(
        m_operands.end(), operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(m_uses.size()));
    if (m_pending.size() == BatchRows)
        flush();
    return true;
}

void GroupTable::flush()
{
    // Fetch the groups the rows will touch before touching any.
    for (const Pending& row : m_pending) {
        const std::uint64_t slot = m_slots[row.hash & m_mask];
        if (slot != 0 && (slot & ~0xffffffffULL) == (row.hash & ~0xffffffffULL)) {
            const char* line = reinterpret_cast<const char*>(record((slot & 0xffffffffULL) - 1));
            __builtin_prefetch(line);
            __builtin_prefetch(line + 64);
        }
    }
    // In the order the rows came: the first one spells the key, and sums add up as SQLite adds them.
    for (std::size_t p = 0; p < m_pending.size(); ++p)
        process(m_pending[p], m_operands.data() + p * m_uses.size());
    m_pending.clear();
    m_operands.clear();
    m_batchSize = 0;
}

void GroupTable::process(const Pending& row, const Operand* operands)
{
    const char* key = m_batch.data() + row.offset;
    accumulate(
        locate(row.hash, key, row.keyLength, key + row.keyLength, row.length - row.keyLength, row.chunk),
        operands);
}

// The row's group, new if need be, marked when the row spells its key otherwise.
[[gnu::always_inline]] inline std::size_t GroupTable::locate(std::uint64_t hash, const char* key,
    std::size_t keyLength, const char* spelling, std::size_t spellingLength, int chunk)
{
    std::size_t group = find(hash, key, keyLength);
    if (group == m_size)
        return insert(hash, key, keyLength, spelling, spellingLength, chunk);
    std::uint64_t* r = record(group);
    if (!(r[ChunkWord] & Mixed) && !sameSpelling(r, spelling, spellingLength))
        r[ChunkWord] |= Mixed;
    return group;
}

[[gnu::always_inline]] inline void GroupTable::accumulate(std::size_t group, const Operand* operands)
{
    std::uint64_t* r = record(group);
    ++r[RowsWord];
    for (std::size_t a = 0; a < m_uses.size(); ++a) {
        const Operand& operand = operands[a];
        if (operand.type == SQLITE_NULL)
            continue;
        if (m_uses[a] == Use::Count) {
            ++r[m_offsets[a]]; // as count(x): every value but Null
            continue;
        }
        // As SQLite's sum step: an integer adds exactly, anything else as a
        // double that makes the sum approximate.
        Summed s = load(r + m_offsets[a]);
        ++s.count;
        double d = operand.real;
        if (operand.type == SQLITE_INTEGER) {
            d = static_cast<double>(operand.integer);
            s.realSum += d;
            if (!(s.flags & (Approximate | Overflow))
                && __builtin_add_overflow(s.integerSum, operand.integer, &s.integerSum))
                s.flags |= Overflow;
        } else {
            s.realSum += d;
            s.flags |= Approximate;
            if (!isWhole(d))
                s.flags |= Inexact;
        }
        s.magnitude += std::fabs(d);
        if (!(s.magnitude <= ExactLimit))
            s.flags |= Inexact;
        store(r + m_offsets[a], s);
    }
}

// A Summed lives in a record's words, its doubles as their bits.
inline GroupTable::Summed GroupTable::load(const std::uint64_t* words)
{
    return { std::bit_cast<long long>(words[0]), std::bit_cast<long long>(words[1]),
        std::bit_cast<double>(words[2]), std::bit_cast<double>(words[3]), words[4] };
}

inline void GroupTable::store(std::uint64_t* words, const Summed& summed)
{
    words[0] = std::bit_cast<std::uint64_t>(summed.count);
    words[1] = std::bit_cast<std::uint64_t>(summed.integerSum);
    words[2] = std::bit_cast<std::uint64_t>(summed.realSum);
    words[3] = std::bit_cast<std::uint64_t>(summed.magnitude);
    words[4] = summed.flags;
}

GroupTable::Summed GroupTable::summed(std::size_t group, std::size_t argument) const
{
    return load(record(group) + m_offsets[argument]);
}

void GroupTable::merge(const GroupTable& other)
{
    for (std::size_t g = 0; g < other.m_size; ++g) {
        const std::uint64_t* theirs = other.record(g);
        const char* key = other.keyOf(theirs);
        const std::size_t keyLength = other.keyLength(theirs);
        const char* spelling = key + keyLength;
        const std::size_t spellingLength = other.spellingLength(theirs);
        const int chunk = static_cast<int>(static_cast<std::uint32_t>(theirs[ChunkWord]));
        std::size_t group = find(theirs[HashWord], key, keyLength);
        if (group == m_size) {
            group = insert(theirs[HashWord], key, keyLength, spelling, spellingLength, chunk);
            record(group)[ChunkWord] |= theirs[ChunkWord] & Mixed;
        } else {
            std::uint64_t* ours = record(group);
            std::uint64_t mixed = (ours[ChunkWord] | theirs[ChunkWord]) & Mixed;
            if (!sameSpelling(ours, spelling, spellingLength))
                mixed = Mixed;
            if (chunk < static_cast<int>(static_cast<std::uint32_t>(ours[ChunkWord]))) {
                // Their first row came first: it spells the key.
                ours[LengthsWord] = keyLength | (static_cast<std::uint64_t>(spellingLength) << 32);
                ours[ChunkWord] = static_cast<std::uint32_t>(chunk) | OutOfLine;
                ours[InlineWord] = m_long.size();
                m_long.append(key, keyLength);
                m_long.append(spelling, spellingLength);
            }
            ours[ChunkWord] |= mixed;
        }
        std::uint64_t* ours = record(group);
        ours[RowsWord] += theirs[RowsWord];
        for (std::size_t a = 0; a < m_uses.size(); ++a) {
            if (m_uses[a] == Use::Count) {
                ours[m_offsets[a]] += theirs[m_offsets[a]];
                continue;
            }
            Summed s = summed(group, a);
            const Summed t = other.summed(g, a);
            s.count += t.count;
            s.realSum += t.realSum;
            s.magnitude += t.magnitude;
            s.flags |= t.flags;
            if (__builtin_add_overflow(s.integerSum, t.integerSum, &s.integerSum))
                s.flags |= Overflow;
            if (!(s.magnitude <= ExactLimit))
                s.flags |= Inexact;
            store(record(group) + m_offsets[a], s);
        }
    }
}

bool GroupTable::spellingsDiffer() const
{
    for (std::size_t g = 0; g < m_size; ++g) {
        if (record(g)[ChunkWord] & Mixed)
            return true;
    }
    return false;
}

bool GroupTable::sumsDependOnOrder() const
{
    for (std::size_t g = 0; g < m_size; ++g) {
        for (std::size_t a = 0; a < m_uses.size(); ++a) {
            if (m_uses[a] == Use::Sum && (summed(g, a).flags & Inexact))
                return true;
        }
    }
    return false;
}

bool GroupTable::mayOverflow() const
{
    for (std::size_t g = 0; g < m_size; ++g) {
        for (std::size_t a = 0; a < m_uses.size(); ++a) {
            if (m_uses[a] == Use::Sum
                && ((summed(g, a).flags & Overflow) || !(summed(g, a).magnitude < OverflowGuard)))
                return true;
        }
    }
    return false;
}

// SQLite's order: Null, then numbers by value, then texts under the
// collation (the normalised bytes, then the length), then blobs.
int GroupTable::compareKeys(std::size_t a, std::size_t b, int column) const
{
    struct Part {
        char tag = NullTag;
        const char* data = nullptr;
        std::uint32_t size = 0;
    };
    auto part = [&](std::size_t group) {
        const char* at = keyOf(record(group));
        for (int k = 0;; ++k) {
            Part p;
            p.tag = *at++;
            if (p.tag == IntegerTag || p.tag == RealTag) {
                p.size = 8;
            } else if (p.tag != NullTag) {
                std::memcpy(&p.size, at, sizeof p.size);
                at += sizeof p.size;
            }
            p.data = at;
            if (k == column)
                return p;
            at += p.size;
        }
    };
    auto rank = [](char tag) {
        return tag == NullTag ? 0 : tag == IntegerTag || tag == RealTag ? 1 : tag == TextTag ? 2 : 3;
    };
    auto number = [](const Part& p) {
        if (p.tag == IntegerTag) {
            std::int64_t i;
            std::memcpy(&i, p.data, sizeof i);
            return Value(i);
        }
        double d;
        std::memcpy(&d, p.data, sizeof d);
        return Value(d);
    };
    const Part x = part(a);
    const Part y = part(b);
    if (rank(x.tag) != rank(y.tag))
        return rank(x.tag) < rank(y.tag) ? -1 : 1;
    if (x.tag == NullTag)
        return 0;
    if (rank(x.tag) == 1)
        return compareNumbers(number(x), number(y));
    const int bytes = std::memcmp(x.data, y.data, std::min(x.size, y.size));
    if (bytes != 0)
        return bytes < 0 ? -1 : 1;
    return x.size == y.size ? 0 : x.size < y.size ? -1 : 1;
}

Value GroupTable::key(std::size_t group, int column) const
{
    const std::uint64_t* r = record(group);
    const bool asSpelled = spellingLength(r) == 0;
    const char* at = keyOf(r) + (asSpelled ? 0 : keyLength(r));
    for (int k = 0;; ++k) {
        int type = *at++;
        if (asSpelled) {
            // The normalised key's tags, read as the value types they hold.
            type = type == IntegerTag ? SQLITE_INTEGER
                : type == RealTag     ? SQLITE_FLOAT
                : type == TextTag     ? SQLITE_TEXT
                : type == BlobTag     ? SQLITE_BLOB
                                      : SQLITE_NULL;
        }
        std::uint32_t size = 0;
        if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
            size = 8;
        } else if (type != SQLITE_NULL) {
            std::memcpy(&size, at, sizeof size);
            at += sizeof size;
        }
        if (k < column) {
            at += size;
            continue;
        }
        switch (type) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER: {
            std::int64_t i;
            std::memcpy(&i, at, sizeof i);
            return Value(i);
        }
        case SQLITE_FLOAT: {
            double d;
            std::memcpy(&d, at, sizeof d);
            return Value(d);
        }
        default: // text, and blobs read as text, as a statement reads them
            return Value(QString::fromUtf8(at, static_cast<qsizetype>(size)));
        }
    }
}

long long GroupTable::rows(std::size_t group) const
{
    return static_cast<long long>(record(group)[RowsWord]);
}

long long GroupTable::count(std::size_t group, int argument) const
{
    const auto a = static_cast<std::size_t>(argument);
    if (m_uses[a] == Use::Count)
        return static_cast<long long>(record(group)[m_offsets[a]]);
    return summed(group, a).count;
}

Value GroupTable::sum(std::size_t group, int argument) const
{
    const Summed s = summed(group, static_cast<std::size_t>(argument));
    if (s.count == 0)
        return Value();
    return (s.flags & Approximate) ? Value(s.realSum) : Value(static_cast<std::int64_t>(s.integerSum));
}

Value GroupTable::average(std::size_t group, int argument) const
{
    const Summed s = summed(group, static_cast<std::size_t>(argument));
    if (s.count == 0)
        return Value();
    return Value(s.realSum / static_cast<double>(s.count));
}

} // namespace corvane::platform::db
