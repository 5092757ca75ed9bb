#include "platform/jet/translator/text_literal.h"

namespace corvane::platform::jet {

QString textLiteral(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

} // namespace corvane::platform::jet
