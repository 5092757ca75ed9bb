#include "platform/jet/jet_translator.h"

#include "platform/jet/jet_checks.h"
#include "platform/jet/jet_emitter.h"
#include "platform/jet/jet_parser.h"

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
    return result;
}

QString textLiteral(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

} // namespace corvane::platform::jet
