#pragma once

#include "base/field_keys.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace corvane {

// One parsed datagram, one row of table syslog. A key the message lacks has
// no text: it is stored as the number 0.
struct SyslogRecord {
    std::array<std::optional<QString>, FieldKeyCount> fields;
    QDateTime logDate;
    double sentPlusRcvd = 0.0;

    bool isMissing(int keyIndex) const { return !fields.at(static_cast<std::size_t>(keyIndex)).has_value(); }
};

} // namespace corvane
