#include "convert/converter_line.h"

#include "base/key_search.h"
#include "platform/failure/failure_codes.h"

namespace corvane {

std::optional<ConverterValues> cutConverterLine(QByteArrayView line)
{
    const auto found = firstKeyPositions(line, ConverterKeys);
    // Key by key, as the positions were taken: a missing key ends the line
    // before a later key's position can overflow.
    for (const qsizetype at : found) {
        if (at < 0)
            return std::nullopt;
        if (at + 1 > MaxKeyPosition)
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
