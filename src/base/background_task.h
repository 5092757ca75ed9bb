#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace corvane {

// Long work (a report's query, an export) on a thread of its own, so the
// window goes on painting and answering. The owner hears of it on its own
// thread: progress every tenth of a second, then exactly one of finished,
// failed or cancelled. Cancel asks the work to stop and pulls whatever it
// waits on (a query) out of its wait; it returns at once.
class BackgroundTask : public QObject {
    Q_OBJECT
public:
    // Runs on the task's thread; a platform::Failure it throws is failed().
    using Work = std::function<void(BackgroundTask& task)>;

    explicit BackgroundTask(QObject* parent = nullptr);
    // Cancels and waits for the work to end.
    ~BackgroundTask() override;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Only when no work runs.
    void start(Work work);
    void cancel();
    bool isRunning() const { return m_thread.joinable(); }
    // How much is done, in the work's own unit (rows, say).
    long long done() const { return m_done; }
    qint64 elapsedMs() const { return m_elapsed.elapsed(); }

    // For the work, on its thread.
    bool isCancelled() const { return m_cancelled; }
    void setDone(long long done) { m_done = done; }
    // Called by cancel() while set, e.g. to interrupt a query; the work
    // clears it before what it calls goes away (CancelHook does).
    void setCancelHook(std::function<void()> hook);

    // A cancel hook for as long as this lives.
    class CancelHook {
    public:
        CancelHook(BackgroundTask& task, std::function<void()> hook)
            : m_task(task)
        {
            m_task.setCancelHook(std::move(hook));
        }
        ~CancelHook() { m_task.setCancelHook({}); }
        CancelHook(const CancelHook&) = delete;
        CancelHook& operator=(const CancelHook&) = delete;

    private:
        BackgroundTask& m_task;
    };

signals:
    void progressed(long long done, qint64 elapsedMs);
    void finished();
    void failed(int number, const QString& description);
    void cancelled();

private:
    void end(int number, const QString& description, bool failedNow);

    std::thread m_thread;
    std::atomic<bool> m_cancelled { false };
    std::atomic<long long> m_done { 0 };
    std::mutex m_hookMutex;
    std::function<void()> m_cancelHook;
    QElapsedTimer m_elapsed;
    QTimer m_progress;
};

} // namespace corvane
