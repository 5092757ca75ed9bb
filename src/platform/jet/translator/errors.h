#pragma once

#include "platform/failure/failure.h"

#include <QString>

// The translator's failures, in Jet's numbers and wording, so that the error
// log reads as it did with Jet.
namespace corvane::platform::jet::errors {

Failure syntax(const QString& expression);
Failure badString(const QString& expression);
Failure badDate(const QString& expression);
Failure wrongArgumentCount(const QString& expression);
Failure undefinedFunction(const QString& name);
Failure notGrouped(const QString& expression);
Failure groupedStar();
Failure aggregateInExpression(const QString& expression);
Failure aggregateInWhere(const QString& expression);
Failure typeMismatch();
Failure afterEnd();
Failure notSelect();
Failure badTop(const QString& text);
Failure notSupported(const QString& construct);
Failure tooComplex();

} // namespace corvane::platform::jet::errors
