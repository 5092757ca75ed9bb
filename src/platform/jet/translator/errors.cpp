#include "platform/jet/translator/errors.h"

#include "platform/failure/failure_codes.h"

namespace corvane::platform::jet::errors {

namespace {

Failure quoting(const failure::Code& code, const QString& expression)
{
    return Failure(
        code.number, QStringLiteral("%1 '%2'.").arg(QString::fromUtf8(code.description), expression));
}

Failure plain(const failure::Code& code)
{
    return code.make();
}

} // namespace

Failure syntax(const QString& expression)
{
    return quoting(failure::SyntaxErrorInQuery, expression);
}
Failure badString(const QString& expression)
{
    return quoting(failure::SyntaxErrorInString, expression);
}
Failure badDate(const QString& expression)
{
    return quoting(failure::SyntaxErrorInDate, expression);
}

Failure wrongArgumentCount(const QString& expression)
{
    return Failure(failure::SyntaxErrorInQuery.number,
        QStringLiteral("Wrong number of arguments used with function in query expression '%1'.")
            .arg(expression));
}

Failure undefinedFunction(const QString& name)
{
    return Failure(failure::UndefinedFunction.number,
        QStringLiteral("Undefined function '%1' in expression.").arg(name));
}

Failure notGrouped(const QString& expression)
{
    return Failure(failure::NotPartOfAggregate.number,
        QStringLiteral("You tried to execute a query that does not include the specified expression '%1' "
                       "as part of an aggregate function.")
            .arg(expression));
}

Failure groupedStar()
{
    return Failure(
        failure::NotPartOfAggregate.number, QStringLiteral("Cannot group on fields selected with '*'."));
}

Failure aggregateInExpression(const QString& expression)
{
    return Failure(failure::AggregateInExpression.number,
        QStringLiteral("%1 (%2).")
            .arg(QString::fromUtf8(failure::AggregateInExpression.description), expression));
}

Failure aggregateInWhere(const QString& expression)
{
    return Failure(failure::AggregateInWhere.number,
        QStringLiteral("%1 (%2).").arg(QString::fromUtf8(failure::AggregateInWhere.description), expression));
}

Failure typeMismatch()
{
    return plain(failure::DataTypeMismatch);
}
Failure afterEnd()
{
    return plain(failure::CharactersAfterEnd);
}

// Jet's own wording lists the statements it would have taken, DELETE among
// them, which reads as an invitation: say why this one is refused instead.
Failure notSelect()
{
    return Failure(failure::InvalidSqlStatement.number,
        QStringLiteral("Invalid SQL statement: report and chart queries only read the database, so only a "
                       "SELECT is run."));
}

Failure badTop(const QString& text)
{
    return Failure(failure::SyntaxErrorInQuery.number,
        QStringLiteral("The TOP count must be a positive whole number: '%1'.").arg(text));
}

Failure notSupported(const QString& construct)
{
    return Failure(failure::NotSupported.number,
        QStringLiteral("%1: %2.").arg(QString::fromUtf8(failure::NotSupported.description), construct));
}

Failure tooComplex()
{
    return plain(failure::QueryTooComplex);
}

} // namespace corvane::platform::jet::errors
