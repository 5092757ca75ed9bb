#pragma once

#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

namespace corvane {

// One category of a chart: its label and its value. The zone chart keeps the
// byte total as the query yields it; the other sources count in 32-bit whole
// numbers.
struct ChartRow {
    QString label;
    std::variant<double, std::int32_t> value;

    double number() const
    {
        return std::visit([](auto v) { return static_cast<double>(v); }, value);
    }

    friend bool operator==(const ChartRow&, const ChartRow&) = default;
};

// The rows of one build, in the order the chart shows them.
using ChartGrid = std::vector<ChartRow>;

} // namespace corvane
