#include "base/field_keys.h"

namespace corvane {

FieldKeys::FieldKeys()
    : m_keys { QStringLiteral("NetScreen device_id="), QStringLiteral("start_time="),
        QStringLiteral("duration="), QStringLiteral("policy_id="), QStringLiteral("service="),
        QStringLiteral("proto="), QStringLiteral("src zone="), QStringLiteral("dst zone="),
        QStringLiteral("action="), QStringLiteral("sent="), QStringLiteral("rcvd="), QStringLiteral("src="),
        QStringLiteral("dst="), QStringLiteral("src_port="), QStringLiteral("dst_port=") }
{
}

} // namespace corvane
