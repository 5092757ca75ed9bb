#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace corvane::bench {

// The event loop's longest wait while a condition is not yet met: a timer
// that should tick every 5 ms notes the largest gap between its ticks.
struct LoopWatch {
    double longestMs = 0;
    double totalMs = 0;
};

inline LoopWatch runUntil(const std::function<bool()>& done)
{
    LoopWatch watch;
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        watch.longestMs = std::max(watch.longestMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
    });
    tick.start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    // The wait since the last tick counts too: work that blocks the loop to
    // the end would otherwise go unseen.
    watch.longestMs = std::max(watch.longestMs, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
    watch.totalMs = static_cast<double>(total.nsecsElapsed()) / 1e6;
    return watch;
}

} // namespace corvane::bench
