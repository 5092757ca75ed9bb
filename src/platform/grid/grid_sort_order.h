#pragma once

#include <cstdint>

namespace corvane::platform {

// The direction of the next heading-click sort, one for every grid of a
// program: each such sort flips it (see headingClickSort).
enum class GridSortOrder : std::int16_t {
    Unset = 0,
    DescendingNext = 1,
    AscendingNext = 2,
};

} // namespace corvane::platform
