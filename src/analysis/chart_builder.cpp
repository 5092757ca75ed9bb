#include "analysis/chart_builder.h"

#include "analysis/chart_queries.h"
#include "base/archive_files.h"
#include "base/clock.h"
#include "base/conversions.h"
#include "base/error_logger.h"
#include "base/shared_state.h"
#include "base/trap.h"
#include "platform/db/connection.h"
#include "platform/db/database_engine.h"
#include "platform/db/result_set.h"
#include "platform/failure/failure_codes.h"

#include <QScopeGuard>
#include <limits>

namespace corvane {

namespace {

using platform::db::QueryAccess;
using platform::db::ResultSet;
using platform::db::Value;
namespace failure = platform::failure;

// The sum as the query yields it; a zone whose bytes are all Null has none.
double totalBytes(const Value& value)
{
    return value.isNull() ? 0.0 : value.toDouble();
}

} // namespace

ChartBuilder::ChartBuilder(SharedState& state, const ErrorLogger& logger, const Clock& clock, QLocale locale)
    : m_state(state)
    , m_logger(logger)
    , m_clock(clock)
    , m_locale(std::move(locale))
{
}

ChartGrid ChartBuilder::build(std::int16_t position) const
{
    Failures failures;
    const auto report = qScopeGuard([&] {
        for (const platform::Failure& failure : failures)
            m_logger.LogError(failure);
    });
    return build(position, failures);
}

ChartGrid ChartBuilder::build(std::int16_t position, Failures& categoryFailures) const
{
    const platform::db::Connection connection = m_state.engine().open(m_state.databasePath);
    switch (position) {
    case ZoneTrafficSource:
        return zoneTraffic();
    case StatusCountSource:
        return statusCounts(connection, categoryFailures);
    case MonthlyPaymentSource:
    case MonthlySignInSource:
        return monthly(position, categoryFailures);
    default:
        throw failure::SubscriptOutOfRange.make();
    }
}

ChartGrid ChartBuilder::zoneTraffic() const
{
    // Two readings, the start of the window first.
    const QDateTime from = dayBefore(m_clock.now());
    const QDateTime to = m_clock.now();
    // The window may reach back past a rotation.
    ResultSet result(m_state.engine(), withArchives(m_state.databasePath), zoneTrafficQuery(from, to),
        QueryAccess::ReadOnly);
    const std::int16_t rows = chartRowCount(result.recordCount());
    ChartGrid grid;
    grid.reserve(static_cast<std::size_t>(rows));
    if (rows == 0)
        return grid; // an empty chart, not a failure
    result.moveFirst();
    const QString zone = QLatin1String(ZoneColumn);
    const QString total = QLatin1String(TotalBytesColumn);
    for (std::int16_t i = 0; i < rows; ++i) {
        grid.push_back({ result.value(zone).toText(), totalBytes(result.value(total)) });
        result.moveNext();
    }
    return grid;
}

ChartGrid ChartBuilder::statusCounts(const platform::db::Connection& connection, Failures& failures) const
{
    ResultSet statuses(connection, statusTypeQuery(), QueryAccess::ReadOnly);
    const std::int16_t rows = chartRowCount(statuses.recordCount());
    ChartGrid grid;
    grid.reserve(static_cast<std::size_t>(rows));
    if (rows == 0)
        return grid;
    statuses.moveFirst();
    const QString statusType = QLatin1String(StatusTypeColumn);
    const QString totalRows = QLatin1String(TotalRowsColumn);
    for (std::int16_t i = 0; i < rows; ++i) {
        const QString label = statuses.value(statusType).toText();
        grid.push_back({ label, toChartCount(queryValue(statusCountQuery(label), totalRows, failures)) });
        statuses.moveNext();
    }
    return grid;
}

ChartGrid ChartBuilder::monthly(std::int16_t position, Failures& failures) const
{
    const ChartMonths months = monthsEndingIn(m_clock.now().date(), m_locale);
    const QString totalAmount = QLatin1String(TotalAmountColumn);
    ChartGrid grid(ChartMonthCount);
    // The current month is asked first, as the rows are counted back from it.
    for (int row = ChartMonthCount - 1; row >= 0; --row) {
        const ChartMonth& month = months[static_cast<std::size_t>(row)];
        const QString query
            = position == MonthlyPaymentSource ? paymentMonthQuery(month) : signInMonthQuery(month);
        grid[static_cast<std::size_t>(row)]
            = { month.label, toChartCount(queryValue(query, totalAmount, failures)) };
    }
    return grid;
}

std::optional<Value> ChartBuilder::GetQueryValue(const QString& query, const QString& column) const
{
    Failures failures;
    std::optional<Value> result = queryValue(query, column, failures);
    for (const platform::Failure& failure : failures)
        m_logger.LogError(failure);
    return result;
}

std::optional<Value> ChartBuilder::queryValue(
    const QString& query, const QString& column, Failures& failures) const
{
    try {
        const platform::db::Connection connection = m_state.engine().open(m_state.databasePath);
        const ResultSet rows(connection, query, QueryAccess::ReadOnly);
        const Value value = rows.value(column);
        return value.isNull() ? Value(std::int16_t { 0 }) : value;
    } catch (const platform::Failure& failure) {
        failures.push_back(failure);
        return std::nullopt;
    }
}

std::int32_t toChartCount(const std::optional<Value>& value)
{
    if (!value)
        return 0;
    switch (value->type()) {
    case Value::Type::Null:
        return 0;
    case Value::Type::Integer: {
        const std::int64_t number = value->toInt64();
        if (number < std::numeric_limits<std::int32_t>::min()
            || number > std::numeric_limits<std::int32_t>::max())
            throw failure::Overflow.make();
        return static_cast<std::int32_t>(number);
    }
    case Value::Type::Double:
        return toWholeNumber(value->toDouble());
    case Value::Type::Text:
        return toWholeNumber(value->toText());
    }
    throw failure::TypeMismatch.make();
}

std::int16_t chartRowCount(long long rows)
{
    if (rows > std::numeric_limits<std::int16_t>::max())
        throw failure::Overflow.make();
    return static_cast<std::int16_t>(rows);
}

} // namespace corvane
