#pragma once

#include "capture/syslog_record.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <optional>

namespace corvane {

class Clock;

// Working limits kept from the old 8-bit lengths (and 16-bit positions,
// base/key_search.h): a longer value or a key further in fails the parse
// with 6 "Overflow".
inline constexpr int MaxFieldValueLength = 255;
inline constexpr int StartTimeLength = 19;

// The value of one key in the message, or nothing when the key is missing.
// Fails with Overflow beyond the limits above.
std::optional<QStringView> ExtractFieldValue(QStringView message, QStringView key);

using MissingKeyHandler = std::function<void(const QString& key, const QString& message)>;

// Cuts the message by the keys in order. Each missing key is reported to
// onMissingKey at once, before the next key is looked at, so a failure
// further on leaves the earlier misses reported.
SyslogRecord ParseSyslogMessage(
    const QString& message, const Clock& clock, const MissingKeyHandler& onMissingKey);

} // namespace corvane
