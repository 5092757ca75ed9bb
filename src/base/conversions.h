#pragma once

#include "platform/jet/common/rounding.h"

#include <QString>
#include <QStringView>
#include <cstdint>

// The shared number conversions of the program's handlers: what a text box
// or a query value is worth as a number.
namespace corvane {

// The decimal number a text begins with (leading blanks skipped, optional
// sign, digits, decimal point, exponent); 0 when it begins with none.
// A number beyond the double range fails with 6 "Overflow".
double leadingNumber(QStringView text);

// Rounds as the query dialect does: to the nearest whole number, an exact
// half to the even neighbour.
using platform::jet::roundHalfEven;

// A text or number as a signed 32-bit whole number, rounded half to even.
// A text that is not wholly a number fails with 13 "Type mismatch"; a value
// outside the 32-bit range fails with 6 "Overflow".
std::int32_t toWholeNumber(const QString& text);
std::int32_t toWholeNumber(double value);

} // namespace corvane
