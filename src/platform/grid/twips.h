#pragma once

#include <cmath>

namespace corvane::platform {

// Layout arithmetic stays in twips (1/1440 inch); widgets get pixels. At
// 96 dpi 15 twips make one pixel.
inline constexpr int TwipsPerPixel = 15;

inline int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}
inline double pixelsToTwips(int pixels)
{
    return static_cast<double>(pixels) * TwipsPerPixel;
}

} // namespace corvane::platform
