#pragma once

#include <QString>

namespace corvane {

namespace platform {
class Grid;
}

// Where the report grid sits inside the preview area, in twips (single
// precision, as the window keeps its sizes).
struct GridPlacement {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The zoom list's entries, position 5 ("1.00") chosen when the preview opens.
inline constexpr const char* ZoomEntries[]
    = { "0.65", "0.70", "0.75", "0.80", "0.90", "1.00", "1.10", "1.20", "1.30", "1.40" };
inline constexpr int DefaultZoomEntry = 5;

// The zoom factor a zoom text stands for, "." being the decimal point
// whatever the locale.
double zoomFactor(const QString& zoomText);

// The layout when a report has just been loaded: the grid fills the preview
// area less its margins, text 8 points times the zoom, all columns equally
// wide and aligned left and bottom.
void initialLayout(
    platform::Grid& grid, GridPlacement& placement, float areaWidth, float areaHeight, double zoom);

// The layout after a zoom choice or a resize: the grid takes the new area
// and every column keeps its share of the grid's width; a grid of width 0
// gives every column an equal share.
void refreshLayout(
    platform::Grid& grid, GridPlacement& placement, float areaWidth, float areaHeight, double zoom);

} // namespace corvane
