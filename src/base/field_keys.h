#pragma once

#include <QString>
#include <array>

namespace corvane {

// The fifteen NetScreen keys, in the order the parser reports missing keys.
// Each key is also the name of its column in table syslog.
inline constexpr int FieldKeyCount = 15;
inline constexpr int SentKeyIndex = 9; // "sent=", position 10 counting from 1
inline constexpr int RcvdKeyIndex = 10; // "rcvd=", position 11

class FieldKeys {
public:
    FieldKeys();

    int count() const { return FieldKeyCount; }
    // Zero-based: key(0) is "NetScreen device_id=".
    const QString& key(int index) const { return m_keys.at(static_cast<std::size_t>(index)); }
    const std::array<QString, FieldKeyCount>& keys() const { return m_keys; }

private:
    std::array<QString, FieldKeyCount> m_keys;
};

} // namespace corvane
