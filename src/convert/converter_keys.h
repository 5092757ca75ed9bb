#pragma once

#include <QByteArrayView>
#include <array>

namespace corvane {

// The eleven keys the converter cuts from each line, in output order. Each
// includes its "=": the letters alone, followed by anything else, are no key.
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
