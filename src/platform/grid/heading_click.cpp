#include "platform/grid/heading_click.h"

namespace corvane::platform {

std::optional<SortDirection> headingClickDirection(const Grid& grid, GridSortOrder& order)
{
    if (grid.row() != 1)
        return std::nullopt;
    if (order == GridSortOrder::DescendingNext) {
        order = GridSortOrder::AscendingNext;
        return SortDirection::Descending;
    }
    order = GridSortOrder::DescendingNext;
    return SortDirection::Ascending;
}

void headingClickSort(Grid& grid, GridSortOrder& order)
{
    if (const auto direction = headingClickDirection(grid, order))
        grid.sort(*direction);
}

} // namespace corvane::platform
