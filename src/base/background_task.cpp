#include "base/background_task.h"

#include "platform/failure/failure.h"
#include "platform/failure/failure_codes.h"

#include <QMetaObject>
#include <new>

namespace corvane {

namespace {

constexpr int ProgressEveryMs = 100;

} // namespace

BackgroundTask::BackgroundTask(QObject* parent)
    : QObject(parent)
{
    m_progress.setInterval(ProgressEveryMs);
    connect(&m_progress, &QTimer::timeout, this, [this] { emit progressed(m_done, elapsedMs()); });
}

BackgroundTask::~BackgroundTask()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void BackgroundTask::setCancelHook(std::function<void()> hook)
{
    const std::lock_guard lock(m_hookMutex);
    m_cancelHook = std::move(hook);
}

void BackgroundTask::cancel()
{
    m_cancelled = true;
    const std::lock_guard lock(m_hookMutex);
    if (m_cancelHook)
        m_cancelHook();
}

void BackgroundTask::start(Work work)
{
    if (m_thread.joinable())
        m_thread.join(); // a task that ended but was not joined yet
    m_cancelled = false;
    m_done = 0;
    m_elapsed.start();
    m_progress.start();
    m_thread = std::thread([this, work = std::move(work)] {
        int number = 0;
        QString description;
        bool failedNow = false;
        try {
            work(*this);
        } catch (const platform::Failure& failure) {
            number = failure.number();
            description = failure.description();
            failedNow = true;
        } catch (const std::bad_alloc&) {
            const platform::Failure failure = platform::failure::OutOfMemory.make();
            number = failure.number();
            description = failure.description();
            failedNow = true;
        }
        setCancelHook({});
        QMetaObject::invokeMethod(
            this, [this, number, description, failedNow] { end(number, description, failedNow); },
            Qt::QueuedConnection);
    });
}

// On the owner's thread, once the work has returned.
void BackgroundTask::end(int number, const QString& description, bool failedNow)
{
    m_progress.stop();
    if (m_thread.joinable())
        m_thread.join();
    // A query cut short by a cancel fails; that is the cancel, not a failure.
    if (m_cancelled)
        emit cancelled();
    else if (failedNow)
        emit failed(number, description);
    else
        emit finished();
}

} // namespace corvane
