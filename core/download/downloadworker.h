#pragma once

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace clipvane {

// Copies one stream to a file on a thread of its own, publishing its byte
// count to the main thread after every chunk and honouring a stop request
// between chunks. Give it the address and the file, set the done handler and
// start it; it frees itself after its end has been delivered.
class DownloadWorker : public QThread
{
    Q_OBJECT
public:
    DownloadWorker(std::string url, std::string fileName, QObject* parent = nullptr);

    // Runs on the main thread once the download has ended, whatever happened;
    // the worker waits until it returns. Set before the start.
    void setDoneHandler(std::function<void()> handler) { m_doneHandler = std::move(handler); }
    // Runs on the main thread after every publish (tests watch the counts).
    void setProgressHandler(std::function<void()> handler)
    {
        m_progressHandler = std::move(handler);
    }

    // The published count, main thread only.
    std::int32_t bytesShown() const { return m_bytesShown; }
    // The worker stops after the current chunk.
    void requestStop() { m_stopRequested = 1; }

    // Set before the done handler runs when the copy did not complete because
    // the file could not be created or written; a failed request is not a
    // failure here (the caller compares sizes).
    bool failed() const { return m_failed; }
    const std::string& failureReason() const { return m_failureReason; }

protected:
    void run() override;

private:
    void publishProgress();
    void notifyDone();
    // Runs `method` on the main thread and waits; false when it raised, which
    // ends the worker silently.
    bool synchronize(void (DownloadWorker::*method)());
    bool runOnMainThread(void (DownloadWorker::*method)());
    void lingerForCalls();
    void runQueuedCall();

    // Written before the start, read by the worker only.
    const std::string m_url;
    const std::string m_fileName;
    std::function<void()> m_doneHandler;
    std::function<void()> m_progressHandler;

    std::int32_t m_bytesDone = 0;                 // the worker's count
    std::atomic<std::uint8_t> m_stopRequested{0}; // 1: stop after the current chunk
    std::int32_t m_bytesShown = 0;
    bool m_failed = false;
    std::string m_failureReason;

    // The call that waits in Qt's queue.
    void (DownloadWorker::*m_queuedMethod)() = nullptr;
    bool m_queuedResult = false;
    std::atomic<bool> m_queuedDone{false};
    std::atomic<std::uint64_t> m_queuedTicket{0};
    std::mutex m_queuedMutex;
    std::condition_variable m_queuedFinished;

    // The quick hand-over to a lingering main thread (see synchronize).
    std::atomic<int> m_door{0};
    void (DownloadWorker::*m_handedMethod)() = nullptr;
    bool m_handedResult = false;
    std::atomic<bool> m_handedDone{false};
};

} // namespace clipvane
