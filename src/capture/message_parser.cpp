#include "capture/message_parser.h"

#include "app/clock.h"
#include "app/conversions.h"
#include "app/field_keys.h"
#include "platform/failure/failure_codes.h"

#include <cmath>
#include <string_view>

namespace corvane {

namespace {

const QString StartTimeKey = QStringLiteral("start_time=");

} // namespace

std::optional<QStringView> ExtractFieldValue(QStringView message, QStringView key)
{
    // std::u16string_view::find is a plain first-character scan, several
    // times faster here than QStringView::indexOf on these short keys.
    const std::u16string_view haystack(message.utf16(), static_cast<std::size_t>(message.size()));
    const std::u16string_view needle(key.utf16(), static_cast<std::size_t>(key.size()));
    const std::size_t at = haystack.find(needle);
    if (at == std::u16string_view::npos)
        return std::nullopt;
    const auto found = static_cast<qsizetype>(at);

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

    const std::size_t space = haystack.find(u' ', static_cast<std::size_t>(valueStart));
    const qsizetype length = (space == std::u16string_view::npos ? message.size() : static_cast<qsizetype>(space))
        - valueStart;
    if (length > MaxFieldValueLength)
        throw platform::failure::Overflow.make();
    return message.mid(valueStart, length);
}

SyslogRecord ParseSyslogMessage(const QString& message, const FieldKeys& keys, const Clock& clock,
                                const MissingKeyHandler& onMissingKey)
{
    SyslogRecord record;
    for (int i = 0; i < keys.count(); ++i) {
        const std::optional<QStringView> value = ExtractFieldValue(message, keys.key(i));
        if (value) {
            record.fields[static_cast<std::size_t>(i)] = value->toString();
        } else if (onMissingKey) {
            onMissingKey(keys.key(i), message);
        }
    }

    record.logDate = clock.now();
    if (const int msec = record.logDate.time().msec(); msec != 0)
        record.logDate = record.logDate.addMSecs(-msec);

    auto numeric = [&](int index) {
        const auto& field = record.fields[static_cast<std::size_t>(index)];
        return field ? LeadingNumber(*field) : 0.0;
    };
    record.sentPlusRcvd = numeric(SentKeyIndex) + numeric(RcvdKeyIndex);
    if (!std::isfinite(record.sentPlusRcvd))
        throw platform::failure::Overflow.make();
    return record;
}

} // namespace corvane
