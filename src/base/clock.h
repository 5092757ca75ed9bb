#pragma once

#include <QDateTime>

namespace corvane {

// The local clock. Tests fix it so dates and 24-hour windows are repeatable.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The local clock to the second, which is all the program stores. Local time
// conversion costs microseconds, so it is done once per second; use one
// instance per thread.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;

private:
    mutable qint64 m_second = -1;
    mutable QDateTime m_now;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime now)
        : m_now(std::move(now))
    {
    }
    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};

} // namespace corvane
