#include "reports/preview_layout.h"

#include "base/conversions.h"
#include "platform/grid/grid.h"

#include <vector>

namespace corvane {

namespace {

constexpr float GridLeft = 50;
constexpr float GridTop = 50;
constexpr float WidthMargin = 100; // preview area width less grid width
constexpr float HeightMargin = 200; // preview area height less grid height
constexpr double PointsAtZoomOne = 8;

void placeGrid(GridPlacement& placement, float areaWidth, float areaHeight)
{
    placement.width = areaWidth - WidthMargin;
    placement.height = areaHeight - HeightMargin;
}

} // namespace

double zoomFactor(const QString& zoomText)
{
    return leadingNumber(zoomText);
}

void initialLayout(
    platform::Grid& grid, GridPlacement& placement, float areaWidth, float areaHeight, double zoom)
{
    grid.setFontSize(zoom * PointsAtZoomOne);
    placeGrid(placement, areaWidth, areaHeight);
    placement.left = GridLeft;
    placement.top = GridTop;
    for (int i = 0; i < grid.cols(); ++i) {
        grid.setColWidth(i, toWholeNumber(static_cast<double>(placement.width) / grid.cols()));
        grid.setColAlignment(i, platform::Grid::LeftBottom);
    }
}

void refreshLayout(
    platform::Grid& grid, GridPlacement& placement, float areaWidth, float areaHeight, double zoom)
{
    std::vector<double> proportions;
    proportions.reserve(static_cast<size_t>(grid.cols()));
    for (int i = 0; i < grid.cols(); ++i) {
        // A grid squeezed to nothing has no shares left: it starts again
        // from equal columns, so it can widen with the next resize.
        proportions.push_back(placement.width == 0 ? 1.0 / grid.cols()
                                                   : grid.colWidth(i) / static_cast<double>(placement.width));
    }
    placeGrid(placement, areaWidth, areaHeight);
    grid.setFontSize(zoom * PointsAtZoomOne);
    placement.left = GridLeft;
    placement.top = GridTop;
    for (int i = 0; i < grid.cols(); ++i) {
        grid.setColWidth(
            i, toWholeNumber(static_cast<double>(placement.width) * proportions[static_cast<size_t>(i)]));
        grid.setColAlignment(i, platform::Grid::LeftBottom);
    }
}

} // namespace corvane
