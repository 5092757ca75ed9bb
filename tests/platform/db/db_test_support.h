#pragma once

#include "platform/failure/failure.h"

#include <QString>
#include <functional>

namespace corvane::platform::db::testing {

// The failure number an action throws, or -1 when it throws none.
inline int failureNumber(const std::function<void()>& action, QString* description = nullptr)
{
    try {
        action();
    } catch (const Failure& failure) {
        if (description)
            *description = failure.description();
        return failure.number();
    }
    return -1;
}

} // namespace corvane::platform::db::testing
