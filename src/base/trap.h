#pragma once

#include "base/error_logger.h"
#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"

#include <exception>
#include <new>
#include <utility>

namespace corvane {

// The failure trap every handler and shared routine that can fail runs its
// body in. A failure leaves the body at once, skipping its remaining steps;
// nothing is retried or undone. The failure is reported through LogError
// and trap() returns false, so the handler leaves too:
//
//     void CaptureTab::cmdCapture_Click()
//     {
//         trap(m_logger, [&] { ... });
//     }
//
// A shared routine returns to its caller with whatever result it had set
// before the failure. Faults of the language runtime are reported under the
// classic numbers; anything that is not an exception is not caught.
template <typename Body> bool trap(const ErrorLogger& logger, Body&& body)
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const platform::Failure& failure) {
        logger.LogError(failure);
    } catch (const std::bad_alloc&) {
        logger.LogError(platform::failure::OutOfMemory.make());
    } catch (const std::exception& error) {
        logger.LogError(platform::failure::InternalError.make(QString::fromUtf8(error.what())));
    }
    return false;
}

} // namespace corvane
