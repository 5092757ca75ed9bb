#pragma once

#include "base/field_keys.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <optional>

namespace corvane {

// The eleven values of one line, as views into that line.
using ConverterValues = std::array<QByteArrayView, ConverterKeyCount>;

// Cuts one input line, given without its line end, byte for byte: each key's
// position is its first occurrence anywhere in the line (case-sensitive);
// value k runs from the end of key k to two bytes before key k+1 (the byte
// between the pairs is dropped), value 11 is the rest of the line. Nothing
// when a key is missing. Taking the keys in order, a key beyond position
// 32,767 fails with 6 "Overflow"; once all are found, a value whose length
// comes out negative (keys out of order, an empty value with no separator)
// fails with 5 "Invalid procedure call or argument".
std::optional<ConverterValues> cutConverterLine(QByteArrayView line);

// Appends value 1 "," ... value 11 "," CR LF, the values unchanged.
void appendConverterLine(QByteArray& out, const ConverterValues& values);

} // namespace corvane
