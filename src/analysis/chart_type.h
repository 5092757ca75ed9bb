#pragma once

#include <cstdint>

namespace corvane {

// The chart control's chart type values; the chart type list offers them in
// this order, so a list position is its value.
enum ChartTypeValue : std::int32_t {
    VtChChartType3dBar = 0,
    VtChChartType2dBar = 1,
    VtChChartType3dLine = 2,
    VtChChartType2dLine = 3,
    VtChChartType3dArea = 4,
    VtChChartType2dArea = 5,
    VtChChartType3dStep = 6,
    VtChChartType2dStep = 7,
};

inline constexpr int ChartTypeCount = 8;

enum class ChartKind { Bar, Line, Area, Step };

inline constexpr bool isValidChartType(std::int32_t type)
{
    return type >= 0 && type < ChartTypeCount;
}
// Pairs run 3D first, then 2D.
inline constexpr bool isThreeDimensional(std::int32_t type)
{
    return type % 2 == 0;
}
inline constexpr ChartKind kindOf(std::int32_t type)
{
    return static_cast<ChartKind>(type / 2);
}

} // namespace corvane
