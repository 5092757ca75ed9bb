#include "platform/jet/sqlite/function_support.h"

#include <cmath>

namespace corvane::platform::jet::functions {

namespace {

// First and Last keep a copy of the first and the latest value of the group.
struct KeptValue {
    sqlite3_value* value;
};

template <bool keepLatest> void keepStep(sqlite3_context* c, int, sqlite3_value** argv)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(c, sizeof(KeptValue)));
    if (!kept)
        return sqlite3_result_error_nomem(c);
    if (kept->value && !keepLatest)
        return;
    sqlite3_value_free(kept->value);
    kept->value = sqlite3_value_dup(argv[0]);
}

void keepFinal(sqlite3_context* c)
{
    auto* kept = static_cast<KeptValue*>(sqlite3_aggregate_context(c, 0));
    if (!kept || !kept->value)
        return sqlite3_result_null(c);
    sqlite3_result_value(c, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

// Welford's running mean and square sum; Nulls are left out as Jet does.
struct Spread {
    long long count;
    double mean;
    double squares;
};

void spreadStep(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    auto* s = static_cast<Spread*>(sqlite3_aggregate_context(c, sizeof(Spread)));
    if (!s)
        return sqlite3_result_error_nomem(c);
    try {
        const double x = toNumber(read(argv[0]));
        ++s->count;
        const double delta = x - s->mean;
        s->mean += delta / static_cast<double>(s->count);
        s->squares += delta * (x - s->mean);
    } catch (const FunctionError& error) {
        resultError(c, error.message);
    }
}

// The sample forms need two values, the population forms one; fewer give Null.
template <bool population, bool root> void spreadFinal(sqlite3_context* c)
{
    const auto* s = static_cast<Spread*>(sqlite3_aggregate_context(c, 0));
    const long long needed = population ? 1 : 2;
    if (!s || s->count < needed)
        return sqlite3_result_null(c);
    const double variance = s->squares / static_cast<double>(population ? s->count : s->count - 1);
    sqlite3_result_double(c, root ? std::sqrt(variance) : variance);
}

} // namespace

std::span<const AggregateFunction> aggregateFunctions()
{
    static const AggregateFunction list[] = {
        { "jet_first", keepStep<false>, keepFinal },
        { "jet_last", keepStep<true>, keepFinal },
        { "jet_stdev", spreadStep, spreadFinal<false, true> },
        { "jet_stdevp", spreadStep, spreadFinal<true, true> },
        { "jet_var", spreadStep, spreadFinal<false, false> },
        { "jet_varp", spreadStep, spreadFinal<true, false> },
    };
    return list;
}

} // namespace corvane::platform::jet::functions
