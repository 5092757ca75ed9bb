#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <array>

// The keys the program cuts its lines by. Each includes its "=": the letters
// alone, followed by anything else, are no key.
namespace corvane {

// The fifteen NetScreen keys of a captured datagram, in the order the parser
// reports missing keys. Each key is also the name of its column in table
// syslog.
inline constexpr int FieldKeyCount = 15;
inline constexpr int SentKeyIndex = 9; // "sent=", position 10 counting from 1
inline constexpr int RcvdKeyIndex = 10; // "rcvd=", position 11
inline constexpr std::array<QStringView, FieldKeyCount> FieldKeys {
    u"NetScreen device_id=",
    u"start_time=",
    u"duration=",
    u"policy_id=",
    u"service=",
    u"proto=",
    u"src zone=",
    u"dst zone=",
    u"action=",
    u"sent=",
    u"rcvd=",
    u"src=",
    u"dst=",
    u"src_port=",
    u"dst_port=",
};

// The eleven keys the converter cuts from each line of a captured text
// file, in output order.
inline constexpr int ConverterKeyCount = 11;
inline constexpr std::array<QByteArrayView, ConverterKeyCount> ConverterKeys {
    QByteArrayView("firewall time="),
    QByteArrayView("fw="),
    QByteArrayView("pri="),
    QByteArrayView("rule="),
    QByteArrayView("proto="),
    QByteArrayView("src="),
    QByteArrayView("dst="),
    QByteArrayView("sent="),
    QByteArrayView("rcvd="),
    QByteArrayView("duration="),
    QByteArrayView("msg="),
};

} // namespace corvane
