#pragma once

namespace corvane::platform::jet {

// Rounds to the nearest whole number, an exact half to the even neighbour,
// as Jet's functions and the program's own conversions round.
double roundHalfEven(double value);

} // namespace corvane::platform::jet
