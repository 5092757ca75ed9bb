#pragma once

#include <QStringView>
#include <span>

namespace corvane::platform::jet {

// A function a Jet query may call and how it is written for SQLite.
struct DialectFunction {
    enum class Form {
        Plain, // sql(args...)
        Aggregate, // sql(arg), an aggregate
        IIf, // CASE WHEN
        Switch, // CASE WHEN ... WHEN ...
        Choose, // CASE round(i) WHEN 1 ...
        Nz, // coalesce
        IsNull, // (x IS NULL)
        Clock, // Now(), Date(), Time(): frozen at translation
    };
    enum class Result { Any, Text, Number, Date };
    const char* name; // Jet's name, lower case
    const char* sql;
    int minArgs;
    int maxArgs; // -1: no limit
    Form form = Form::Plain;
    Result result = Result::Any;
};

// nullptr for a name that is not available under DAO (Access-only, user
// defined, sandbox-blocked or unknown): Jet answers those with 3085.
const DialectFunction* findFunction(QStringView name);

// Every function a query may call.
std::span<const DialectFunction> dialectFunctions();

} // namespace corvane::platform::jet
