#pragma once

namespace corvane {

// The plot settings every chart build sets, in the chart control's own terms;
// the chart widget maps them onto what it draws.
struct RgbColor {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

inline constexpr int VtFillStyleNull = 0;
inline constexpr int VtFillStyleBrush = 1;
inline constexpr int VtFrameStyleNull = 0;
inline constexpr int VtFrameStyleThickInner = 3;
inline constexpr int VtBrushStyleNull = 0;
inline constexpr int VtBrushStyleSolid = 1;

struct PlotAppearance {
    int backdropFillStyle = VtFillStyleNull;
    RgbColor backdropFillColor;
    int backdropFrameStyle = VtFrameStyleNull;
    int wallBrushStyle = VtBrushStyleNull;
    RgbColor wallBrushColor;
    float baseHeight = 0; // points
    int baseBrushStyle = VtBrushStyleNull;
    RgbColor baseBrushColor;

    friend bool operator==(const PlotAppearance&, const PlotAppearance&) = default;
};

// White backdrop in a thick inner frame, white wall, a blue base 200 points high.
inline PlotAppearance buildAppearance()
{
    PlotAppearance appearance;
    appearance.backdropFillStyle = VtFillStyleBrush;
    appearance.backdropFillColor = { 255, 255, 255 };
    appearance.backdropFrameStyle = VtFrameStyleThickInner;
    appearance.wallBrushStyle = VtBrushStyleSolid;
    appearance.wallBrushColor = { 255, 255, 255 };
    appearance.baseHeight = 200.0F;
    appearance.baseBrushStyle = VtBrushStyleSolid;
    appearance.baseBrushColor = { 0, 0, 255 };
    return appearance;
}

} // namespace corvane
