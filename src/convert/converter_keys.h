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

// Key positions are 16-bit, counting from 1: a key found further in than
// this fails the line with 6 "Overflow".
inline constexpr qsizetype ConverterMaxKeyPosition = 32767;

} // namespace corvane
