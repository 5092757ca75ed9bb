#include "platform/jet/common/rounding.h"
#include "platform/jet/sqlite/function_support.h"
#include "platform/jet/sqlite/like.h"

#include <limits>

namespace corvane::platform::jet::functions {

namespace {

void like(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    sqlite3_result_int(c, likeMatches(toText(read(argv[0])), toText(read(argv[1]))) ? -1 : 0);
}

void alike(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    sqlite3_result_int(c, alikeMatches(toText(read(argv[0])), toText(read(argv[1]))) ? -1 : 0);
}

// Null counts as empty text; only when every part is Null is the result Null.
void concat(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    QString out;
    bool allNull = true;
    for (int i = 0; i < argc; ++i) {
        const JetValue v = read(argv[i]);
        allNull = allNull && v.kind == JetValue::Kind::Null;
        out += toText(v);
    }
    if (allNull)
        return sqlite3_result_null(c);
    resultText(c, out);
}

void upper(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).toUpper());
}

void lower(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).toLower());
}

// InStr([start,] s1, s2): 1-based, without regard to case, 0 when not found.
void inString(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    int start = 1;
    int first = 0;
    if (argc == 3) {
        start = static_cast<int>(roundHalfEven(toNumber(read(argv[0]))));
        first = 1;
        if (start < 1)
            fail("Invalid procedure call or argument");
    }
    const QString haystack = toText(read(argv[first]));
    const QString needle = toText(read(argv[first + 1]));
    const qsizetype at = haystack.indexOf(needle, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int64(c, at < 0 ? 0 : at + 1);
}

void length(sqlite3_context* c, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(c);
    sqlite3_result_int64(c, toText(read(argv[0])).size());
}

qsizetype countArgument(sqlite3_value* value)
{
    const double n = roundHalfEven(toNumber(read(value)));
    if (n < 0 || n > std::numeric_limits<int>::max())
        fail("Invalid procedure call or argument");
    return static_cast<qsizetype>(n);
}

void left(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    resultText(c, toText(read(argv[0])).left(countArgument(argv[1])));
}

void right(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const qsizetype n = countArgument(argv[1]);
    const QString text = toText(read(argv[0]));
    resultText(c, n == 0 ? QString() : text.right(n));
}

void middle(sqlite3_context* c, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(c);
    const qsizetype start = countArgument(argv[1]);
    if (start < 1)
        fail("Invalid procedure call or argument");
    const QString text = toText(read(argv[0]));
    resultText(c, argc == 3 ? text.mid(start - 1, countArgument(argv[2])) : text.mid(start - 1));
}

} // namespace

std::span<const ScalarFunction> textFunctions()
{
    static const ScalarFunction list[] = {
        { "jet_like", 2, guarded<like> },
        { "jet_alike", 2, guarded<alike> },
        { "jet_concat", -1, guarded<concat> },
        { "jet_ucase", 1, guarded<upper> },
        { "jet_lcase", 1, guarded<lower> },
        { "jet_instr", -1, guarded<inString> },
        { "jet_len", 1, guarded<length> },
        { "jet_left", 2, guarded<left> },
        { "jet_right", 2, guarded<right> },
        { "jet_mid", -1, guarded<middle> },
    };
    return list;
}

} // namespace corvane::platform::jet::functions
