#include "platform/failure/failure.h"

namespace corvane::platform {

Failure::Failure(int number, QString description)
    : m_number(number)
    , m_description(std::move(description))
    , m_what(QStringLiteral("%1: %2").arg(m_number).arg(m_description).toStdString())
{
}

} // namespace corvane::platform
