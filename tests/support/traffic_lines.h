#pragma once

#include <QString>

namespace corvane::testing {

// A NetScreen traffic line with all fifteen keys.
inline const QString CompleteLine = QStringLiteral(
    "NetScreen device_id=fw1 start_time=\"2005-12-28 10:00:00\" duration=5 policy_id=2 service=dns "
    "proto=6 src zone=Trust dst zone=Untrust action=Permit sent=120 rcvd=340 src=192.0.2.1 "
    "dst=198.51.100.7 src_port=25 dst_port=80");
// The same without start_time=, proto= and dst_port=.
inline const QString LineLackingThree = QString(CompleteLine)
                                            .remove(QStringLiteral("start_time=\"2005-12-28 10:00:00\" "))
                                            .remove(QStringLiteral("proto=6 "))
                                            .remove(QStringLiteral(" dst_port=80"));

} // namespace corvane::testing
