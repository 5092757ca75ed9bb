#include "platform/jet/jet_translator.h"

#include "platform/jet/jet_checks.h"
#include "platform/jet/jet_emitter.h"
#include "platform/jet/jet_parser.h"

namespace corvane::platform::jet {

Translation translate(const QString& jetSql, const TranslateOptions& options)
{
    Translation result;
    QDateTime now = options.now;
    if (!now.isValid()) {
        now = QDateTime::currentDateTime();
        result.warnings.push_back(QStringLiteral("no clock given: the system clock was read"));
    }
    const Query query = Parser(jetSql, now.date().year()).parseStatement();
    checkQuery(query, options.schema, result.warnings);
    Emitter emitter(now, options.schema);
    result.sql = emitter.statement(query);
    result.hiddenTrailingColumns = emitter.hiddenTrailingColumns();
    result.usesClock = emitter.usesClock();
    return result;
}

QString textLiteral(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

} // namespace corvane::platform::jet
