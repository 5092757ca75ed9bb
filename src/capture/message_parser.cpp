#include "capture/message_parser.h"

#include "base/clock.h"
#include "base/conversions.h"
#include "base/field_keys.h"
#include "base/key_search.h"
#include "platform/failure/failure_codes.h"

#include <cassert>
#include <cmath>

namespace corvane {

namespace {

const QString StartTimeKey = QStringLiteral("start_time=");

// The value of a key found at zero-based index found, by the cutting rules.
QStringView cutValue(QStringView message, QStringView key, qsizetype found)
{
    assert(found >= 0 && found + key.size() <= message.size());
    // Positions count from 1, as the limits do.
    const qsizetype keyPosition = found + 1;
    const qsizetype valuePosition = keyPosition + key.size();
    if (keyPosition > MaxKeyPosition || valuePosition > MaxKeyPosition)
        throw platform::failure::Overflow.make();

    const qsizetype valueStart = valuePosition - 1; // zero-based
    if (key == StartTimeKey) {
        // The character after the key is the time stamp's opening quote.
        return message.mid(valueStart + 1).left(StartTimeLength);
    }

    const qsizetype space = message.indexOf(QLatin1Char(' '), valueStart);
    const qsizetype length = (space < 0 ? message.size() : space) - valueStart;
    assert(length >= 0);
    if (length > MaxFieldValueLength)
        throw platform::failure::Overflow.make();
    return message.mid(valueStart, length);
}

} // namespace

std::optional<QStringView> ExtractFieldValue(QStringView message, QStringView key)
{
    const qsizetype found = message.indexOf(key);
    if (found < 0)
        return std::nullopt;
    return cutValue(message, key, found);
}

SyslogRecord ParseSyslogMessage(
    const QString& message, const Clock& clock, const MissingKeyHandler& onMissingKey)
{
    SyslogRecord record;
    const auto found = firstKeyPositions(QStringView(message), FieldKeys);
    for (std::size_t i = 0; i < FieldKeys.size(); ++i) {
        if (found[i] >= 0) {
            record.fields[i] = cutValue(message, FieldKeys[i], found[i]).toString();
        } else if (onMissingKey) {
            onMissingKey(FieldKeys[i].toString(), message);
        }
    }

    record.logDate = clock.now();
    if (const int msec = record.logDate.time().msec(); msec != 0)
        record.logDate = record.logDate.addMSecs(-msec);

    auto numeric = [&](int index) {
        const auto& field = record.fields[static_cast<std::size_t>(index)];
        return field ? leadingNumber(*field) : 0.0;
    };
    record.sentPlusRcvd = numeric(SentKeyIndex) + numeric(RcvdKeyIndex);
    if (!std::isfinite(record.sentPlusRcvd))
        throw platform::failure::Overflow.make();
    return record;
}

} // namespace corvane
