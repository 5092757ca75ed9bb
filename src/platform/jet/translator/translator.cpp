#include "platform/jet/translator/translator.h"

#include "platform/jet/translator/checks.h"
#include "platform/jet/translator/emitter.h"
#include "platform/jet/translator/parser.h"

namespace corvane::platform::jet {

Translation translate(const QString& jetSql, const TranslateOptions& options)
{
    const Query query = Parser(jetSql, options.now.date().year()).parseStatement();
    checkQuery(query, options.schema);
    Emitter emitter(options.now, options.schema);
    Translation result;
    result.sql = emitter.statement(query);
    result.hiddenTrailingColumns = emitter.hiddenTrailingColumns();
    result.grouped = describeGroupedQuery(query, options.schema, result.hiddenTrailingColumns, emitter);
    result.filter = describeTableFilter(query, options.schema, emitter);
    if (result.filter) {
        Emitter keyed(options.now, options.schema);
        result.keyed = describeKeyedListing(query, options.schema, *result.filter, keyed);
    }
    return result;
}

} // namespace corvane::platform::jet
