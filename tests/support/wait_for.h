#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace corvane::testing {

// Runs the event loop until the condition holds or ten seconds have passed.
inline bool waitFor(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(10000);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

} // namespace corvane::testing
