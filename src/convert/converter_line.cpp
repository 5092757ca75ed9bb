#include "convert/converter_line.h"

#include "platform/failure/failure_codes.h"

#include <cstring>

namespace corvane {

namespace {

using KeyIndexes = std::array<qsizetype, ConverterKeyCount>;

// Where each key first occurs, -1 where it does not. Every key ends in its
// only "=", so a key's first occurrence is the first "=" that ends it: one
// pass over the line's "=" signs finds all eleven, far quicker than eleven
// searches of the whole line.
KeyIndexes locateKeys(QByteArrayView line)
{
    KeyIndexes found;
    found.fill(-1);
    int pending = ConverterKeyCount;
    const char* const begin = line.data();
    const char* const end = begin + line.size();
    for (const char* eq = begin; pending > 0 && eq < end; ++eq) {
        eq = static_cast<const char*>(std::memchr(eq, '=', static_cast<size_t>(end - eq)));
        if (!eq)
            break;
        const qsizetype after = eq + 1 - begin;
        for (int k = 0; k < ConverterKeyCount; ++k) {
            const QByteArrayView key = ConverterKeys[static_cast<size_t>(k)];
            qsizetype& at = found[static_cast<size_t>(k)];
            if (at >= 0 || key.size() > after)
                continue;
            const qsizetype start = after - key.size();
            if (std::memcmp(begin + start, key.data(), static_cast<size_t>(key.size())) == 0) {
                at = start;
                --pending;
            }
        }
    }
    return found;
}

} // namespace

std::optional<ConverterValues> cutConverterLine(QByteArrayView line)
{
    const KeyIndexes found = locateKeys(line);
    // Key by key, as the positions were taken: a missing key ends the line
    // before a later key's position can overflow.
    for (const qsizetype at : found) {
        if (at < 0)
            return std::nullopt;
        if (at + 1 > ConverterMaxKeyPosition)
            throw platform::failure::Overflow.make();
    }

    ConverterValues values;
    for (int k = 0; k + 1 < ConverterKeyCount; ++k) {
        const auto i = static_cast<size_t>(k);
        const qsizetype start = found[i] + ConverterKeys[i].size();
        const qsizetype length = found[i + 1] - start - 1;
        if (length < 0)
            throw platform::failure::InvalidProcedureCall.make();
        values[i] = line.sliced(start, length);
    }
    constexpr auto last = static_cast<size_t>(ConverterKeyCount - 1);
    values[last] = line.sliced(found[last] + ConverterKeys[last].size());
    return values;
}

void appendConverterLine(QByteArray& out, const ConverterValues& values)
{
    for (const QByteArrayView value : values) {
        out.append(value);
        out.append(',');
    }
    out.append("\r\n", 2);
}

} // namespace corvane
