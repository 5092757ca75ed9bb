#include "base/clock.h"

namespace corvane {

QDateTime SystemClock::now() const
{
    thread_local qint64 cachedSecond = -1;
    thread_local QDateTime cached;
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    if (second != cachedSecond) {
        cachedSecond = second;
        cached = QDateTime::fromSecsSinceEpoch(second);
    }
    return cached;
}

} // namespace corvane
