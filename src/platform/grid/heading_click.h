#pragma once

#include "platform/grid/grid.h"
#include "platform/grid/grid_sort_order.h"

#include <optional>

namespace corvane::platform {

// The heading-click sort: only a click whose current row is the first data
// row sorts; the direction alternates through the shared order.
void headingClickSort(Grid& grid, GridSortOrder& order);
// The rule without the sort, for a grid that sorts elsewhere: the direction
// a click sorts in (the shared order flipped), or nothing.
std::optional<SortDirection> headingClickDirection(const Grid& grid, GridSortOrder& order);

} // namespace corvane::platform
