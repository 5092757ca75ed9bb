#pragma once

#include "analysis/chart_grid.h"
#include "platform/db/value.h"

#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane {

class Clock;
class ErrorLogger;
class SharedState;

namespace platform {
class Failure;
namespace db {
class Connection;
}
} // namespace platform

// The chart sources by their position in the chart window's list.
enum ChartSource : std::int16_t {
    ZoneTrafficSource = 0,
    StatusCountSource = 1,
    MonthlyPaymentSource = 2,
    MonthlySignInSource = 3,
};

inline constexpr int ChartSourceCount = 4;

// Fills a chart grid from the database. It only reads: every query runs
// read-only on a connection of its own that ends with the build.
class ChartBuilder {
public:
    ChartBuilder(
        SharedState& state, const ErrorLogger& logger, const Clock& clock, QLocale locale = QLocale());

    // The rows of the source at a list position. A failure of the build
    // itself (no database, a rejected source query, too many rows, a value
    // beyond 32 bits) leaves it with a Failure; a category whose own query
    // fails has been reported by GetQueryValue and counts as 0. A source
    // without rows gives an empty grid.
    ChartGrid build(std::int16_t position) const;
    // The same without a box: for another thread. The categories' failures
    // are kept, in order, for the caller to report; they are reported even
    // when the build fails.
    ChartGrid build(std::int16_t position, std::vector<platform::Failure>& categoryFailures) const;

    // The named column of the query's first row, on a connection of its own;
    // the whole number 0 for Null. A failure is reported through LogError and
    // gives no value.
    std::optional<platform::db::Value> GetQueryValue(const QString& query, const QString& column) const;

private:
    using Failures = std::vector<platform::Failure>;
    std::optional<platform::db::Value> queryValue(
        const QString& query, const QString& column, Failures& failures) const;
    ChartGrid zoneTraffic() const;
    ChartGrid statusCounts(const platform::db::Connection& connection, Failures& failures) const;
    ChartGrid monthly(std::int16_t position, Failures& failures) const;

    SharedState& m_state;
    const ErrorLogger& m_logger;
    const Clock& m_clock;
    QLocale m_locale;
};

// A GetQueryValue result as a 32-bit whole number: no value counts as 0, a
// number is rounded half to even, text is read as a number. Beyond 32 bits
// fails with Overflow, text that is no number with Type mismatch.
std::int32_t toChartCount(const std::optional<platform::db::Value>& value);

// A result's row count as the 16-bit row counter holds it; above 32,767 fails
// with Overflow.
std::int16_t chartRowCount(long long rows);

} // namespace corvane
