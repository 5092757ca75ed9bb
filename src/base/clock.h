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
// conversion costs microseconds, so it is done once per second and thread:
// the database reads the program's clock on the threads of reports and
// charts too.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
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
