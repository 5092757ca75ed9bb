#include "platform/jet/translator/dialect_functions.h"

#include <QString>

namespace corvane::platform::jet {

namespace {

using Form = DialectFunction::Form;
using Result = DialectFunction::Result;

// Registered jet_* functions carry the Jet semantics that SQLite's own
// functions lack (Null rules, half-to-even rounding, Unicode case).
const DialectFunction catalogue[] = {
    { "sum", "sum", 1, 1, Form::Aggregate, Result::Number },
    { "count", "count", 1, 1, Form::Aggregate, Result::Number },
    { "avg", "avg", 1, 1, Form::Aggregate, Result::Number },
    { "min", "min", 1, 1, Form::Aggregate },
    { "max", "max", 1, 1, Form::Aggregate },
    { "first", "jet_first", 1, 1, Form::Aggregate },
    { "last", "jet_last", 1, 1, Form::Aggregate },
    { "stdev", "jet_stdev", 1, 1, Form::Aggregate, Result::Number },
    { "stdevp", "jet_stdevp", 1, 1, Form::Aggregate, Result::Number },
    { "var", "jet_var", 1, 1, Form::Aggregate, Result::Number },
    { "varp", "jet_varp", 1, 1, Form::Aggregate, Result::Number },

    { "iif", "", 3, 3, Form::IIf },
    { "switch", "", 2, -1, Form::Switch },
    { "choose", "", 2, -1, Form::Choose },
    { "nz", "coalesce", 1, 2, Form::Nz },
    { "isnull", "", 1, 1, Form::IsNull },
    { "now", "", 0, 0, Form::Clock, Result::Date },
    { "date", "", 0, 0, Form::Clock, Result::Date },
    { "time", "", 0, 0, Form::Clock, Result::Date },

    { "year", "jet_year", 1, 1, Form::Plain, Result::Number },
    { "month", "jet_month", 1, 1, Form::Plain, Result::Number },
    { "day", "jet_day", 1, 1, Form::Plain, Result::Number },
    { "hour", "jet_hour", 1, 1, Form::Plain, Result::Number },
    { "minute", "jet_minute", 1, 1, Form::Plain, Result::Number },
    { "second", "jet_second", 1, 1, Form::Plain, Result::Number },
    { "weekday", "jet_weekday", 1, 2, Form::Plain, Result::Number },
    { "dateadd", "jet_dateadd", 3, 3, Form::Plain, Result::Date },
    { "datediff", "jet_datediff", 3, 3, Form::Plain, Result::Number },
    { "datepart", "jet_datepart", 2, 3, Form::Plain, Result::Number },
    { "dateserial", "jet_dateserial", 3, 3, Form::Plain, Result::Date },
    { "timeserial", "jet_timeserial", 3, 3, Form::Plain, Result::Date },
    { "datevalue", "jet_datevalue", 1, 1, Form::Plain, Result::Date },
    { "timevalue", "jet_timevalue", 1, 1, Form::Plain, Result::Date },
    { "cdate", "jet_cdate", 1, 1, Form::Plain, Result::Date },
    { "format", "jet_format", 1, 2, Form::Plain, Result::Text },

    { "cstr", "jet_cstr", 1, 1, Form::Plain, Result::Text },
    { "cint", "jet_cint", 1, 1, Form::Plain, Result::Number },
    { "clng", "jet_clng", 1, 1, Form::Plain, Result::Number },
    { "cbyte", "jet_cbyte", 1, 1, Form::Plain, Result::Number },
    { "cdbl", "jet_cdbl", 1, 1, Form::Plain, Result::Number },
    { "csng", "jet_csng", 1, 1, Form::Plain, Result::Number },
    { "ccur", "jet_ccur", 1, 1, Form::Plain, Result::Number },
    { "cbool", "jet_cbool", 1, 1, Form::Plain, Result::Number },
    { "val", "jet_val", 1, 1, Form::Plain, Result::Number },
    { "int", "jet_int", 1, 1, Form::Plain, Result::Number },
    { "fix", "jet_fix", 1, 1, Form::Plain, Result::Number },
    { "round", "jet_round", 1, 2, Form::Plain, Result::Number },
    { "sgn", "jet_sgn", 1, 1, Form::Plain, Result::Number },
    { "abs", "abs", 1, 1, Form::Plain, Result::Number },

    { "len", "jet_len", 1, 1, Form::Plain, Result::Number },
    { "left", "jet_left", 2, 2, Form::Plain, Result::Text },
    { "right", "jet_right", 2, 2, Form::Plain, Result::Text },
    { "mid", "jet_mid", 2, 3, Form::Plain, Result::Text },
    { "instr", "jet_instr", 2, 3, Form::Plain, Result::Number },
    { "ucase", "jet_ucase", 1, 1, Form::Plain, Result::Text },
    { "lcase", "jet_lcase", 1, 1, Form::Plain, Result::Text },
    // Jet trims spaces only, as SQLite's trim does by default.
    { "trim", "trim", 1, 1, Form::Plain, Result::Text },
    { "ltrim", "ltrim", 1, 1, Form::Plain, Result::Text },
    { "rtrim", "rtrim", 1, 1, Form::Plain, Result::Text },
};

} // namespace

std::span<const DialectFunction> dialectFunctions()
{
    return catalogue;
}

const DialectFunction* findFunction(QStringView name)
{
    for (const DialectFunction& known : catalogue) {
        if (name.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0)
            return &known;
    }
    return nullptr;
}

} // namespace corvane::platform::jet
