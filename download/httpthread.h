#pragma once

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace clipvane {

// Copies one stream to a file on a thread of its own, publishing its byte
// count to the main thread after every chunk and honouring a stop request
// between chunks. Fill in Url, FileName and DoneHandler, then start it; it
// frees itself after its end has been delivered.
class THTTPThread : public QThread
{
    Q_OBJECT
public:
    explicit THTTPThread(QObject* parent = nullptr);

    // Written before the start, read by the worker only.
    std::string Url;
    std::string FileName;
    // Runs on the main thread once the download has ended, whatever happened;
    // the worker waits until it returns.
    std::function<void()> DoneHandler;
    // Runs on the main thread after every publish (tests watch the counts).
    std::function<void()> ProgressHandler;

    std::int32_t BytesDone = 0;           // the worker's count
    std::atomic<std::uint8_t> StopRequested{0}; // 1: stop after the current chunk
    std::int32_t BytesShown = 0;          // the published count, main thread only

    // Set before DoneHandler runs when the copy did not complete because the
    // file could not be created or written; a failed request is not a failure
    // here (the caller compares sizes).
    bool Failed = false;
    std::string FailureReason;

    void PublishProgress();
    void NotifyDone();

protected:
    void run() override;

private:
    // Runs `method` on the main thread and waits; false when it raised, which
    // ends the worker silently.
    bool synchronize(void (THTTPThread::*method)());
    bool runOnMainThread(void (THTTPThread::*method)());
    void lingerForCalls();
    Q_INVOKABLE void runQueuedCall();

    // The call that waits in Qt's queue.
    void (THTTPThread::*m_queuedMethod)() = nullptr;
    bool m_queuedResult = false;
    std::atomic<bool> m_queuedDone{false};
    std::atomic<std::uint64_t> m_queuedTicket{0};
    std::mutex m_queuedMutex;
    std::condition_variable m_queuedFinished;

    // The quick hand-over to a lingering main thread (see synchronize).
    std::atomic<int> m_door{0};
    void (THTTPThread::*m_handedMethod)() = nullptr;
    bool m_handedResult = false;
    std::atomic<bool> m_handedDone{false};
};

} // namespace clipvane
