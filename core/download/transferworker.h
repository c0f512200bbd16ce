#pragma once

#include "platform/result.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace clipvane {

// A transfer on a thread of its own (layout name THTTPThread): what every
// download shares. Its counts reach the main thread without the worker ever
// waiting for them; a stop request ends the transfer in progress at once;
// its end is delivered once, after the last count, on the main thread. Set
// the done handler and start it; it frees itself after its end.
class TransferWorker : public QThread
{
    Q_OBJECT
public:
    explicit TransferWorker(QObject* parent = nullptr);

    // Runs on the main thread once the transfer has ended, whatever happened,
    // after the last count has been published; the worker waits until it
    // returns. Set before the start.
    void setDoneHandler(std::function<void()> handler) { m_doneHandler = std::move(handler); }
    // Runs on the main thread after each publish (tests watch the counts).
    void setProgressHandler(std::function<void()> handler)
    {
        m_progressHandler = std::move(handler);
    }

    // The published counts, main thread only; they never go back. The time
    // is the clip's own, where the transfer knows it (0 otherwise).
    std::int64_t bytesShown() const { return m_bytesShown; }
    std::int64_t millisecondsShown() const { return m_millisecondsShown; }
    // The worker stops: the transfer in progress ends at once.
    void requestStop() { m_stopRequested = 1; }

    // Set before the done handler runs when the transfer did not complete
    // for a reason of its own (a file that could not be written, a stream
    // that was not what it said); see each transfer.
    bool failed() const { return m_failure.has_value(); }
    const std::optional<Failure>& failure() const { return m_failure; }

signals:
    void countChanged(); // worker to main thread, queued; one waits at a time
    void copyEnded();    // worker to main thread, queued; the worker waits for it

protected:
    // Worker thread.
    void setCount(std::int64_t bytes, std::int64_t milliseconds = 0);
    void announceCount();
    // Delivers the end and waits until the main thread has taken it.
    void sendEnd(bool withCount);
    bool stopRequested() const { return m_stopRequested.load() == 1; }

    std::atomic<std::uint8_t> m_stopRequested{0}; // 1: stop now
    // Written by the worker before copyEnded, read on the main thread after;
    // the end's own lock orders them.
    std::optional<Failure> m_failure;

private:
    // Main thread.
    void publishCount();
    void deliverEnd();

    std::function<void()> m_doneHandler;
    std::function<void()> m_progressHandler;
    std::atomic<std::int64_t> m_bytesDone{0};
    std::atomic<std::int64_t> m_millisecondsDone{0};
    std::atomic<bool> m_countPending{false}; // a countChanged waits in the queue
    std::int64_t m_bytesShown = 0;           // main thread only
    std::int64_t m_millisecondsShown = 0;    // main thread only
    std::mutex m_endMutex;
    std::condition_variable m_endDelivered;
    bool m_endWithCount = false;
    bool m_endDone = false;
};

} // namespace clipvane
