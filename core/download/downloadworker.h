#pragma once

#include "core/source/webfetch.h"
#include "platform/result.h"

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace clipvane {

namespace platform {
class ExclusiveFile;
}

// What a download holds the stream to.
struct DownloadLimits
{
    // The length the job was told (0: none). The stream is taken only up
    // to it, and a stream that ends before it is asked for the rest.
    std::int64_t expectedSize = 0;
    // A stream that says no length at all ends as failed beyond this.
    std::int64_t unknownLengthCeiling = std::int64_t{16} * 1024 * 1024 * 1024;
    // How the stream is asked for.
    RequestProfile request = ServicePageRequest();
};

// Copies one stream to a file on a thread of its own (layout name
// THTTPThread). The count of bytes copied reaches the main thread without
// the worker ever waiting for it; a stop request ends the transfer in
// progress at once, whatever it waits for; a connection that breaks before
// the announced length is taken up again where it broke, and bytes past it
// are not taken. Give it the address and the file, set the done handler and
// start it; it frees itself after its end has been delivered.
class DownloadWorker : public QThread
{
    Q_OBJECT
public:
    DownloadWorker(std::string url, std::string fileName, DownloadLimits limits = {},
                   QObject* parent = nullptr);

    // Runs on the main thread once the download has ended, whatever happened,
    // after the last count has been published; the worker waits until it
    // returns. Set before the start.
    void setDoneHandler(std::function<void()> handler) { m_doneHandler = std::move(handler); }
    // Runs on the main thread after each publish (tests watch the counts).
    void setProgressHandler(std::function<void()> handler)
    {
        m_progressHandler = std::move(handler);
    }

    // The published count, main thread only. It never goes back.
    std::int64_t bytesShown() const { return m_bytesShown; }
    // The worker stops: the transfer in progress ends at once.
    void requestStop() { m_stopRequested = 1; }

    // Set before the done handler runs when the copy did not complete because
    // the file could not be created or written, or the stream was not the
    // one announced (a part of it, or longer than any length allows); a
    // request that merely ended early is not a failure here (the caller
    // compares sizes).
    bool failed() const { return m_failure.has_value(); }
    const std::optional<Failure>& failure() const { return m_failure; }

    // A broken connection is asked again this often, from the first missing
    // byte.
    static constexpr int kResumes = 3;
    static constexpr std::size_t kReadBytes = std::size_t{64} * 1024;

signals:
    void countChanged(); // worker to main thread, queued; one waits at a time
    void copyEnded();    // worker to main thread, queued; the worker waits for it

protected:
    void run() override;

private:
    void copy(platform::ExclusiveFile& file);
    void setCount(std::int64_t bytes);
    void announceCount();
    void sendEnd(bool withCount);
    // Main thread.
    void publishCount();
    void deliverEnd();

    // Written before the start, read by the worker only.
    const std::string m_url;
    const std::string m_fileName;
    const DownloadLimits m_limits;
    std::function<void()> m_doneHandler;
    std::function<void()> m_progressHandler;

    std::atomic<std::int64_t> m_bytesDone{0};     // the worker's count
    std::atomic<bool> m_countPending{false};      // a countChanged waits in the queue
    std::atomic<std::uint8_t> m_stopRequested{0}; // 1: stop now
    std::int64_t m_bytesShown = 0;                // main thread only

    // Written by the worker before copyEnded, read on the main thread after;
    // the end's own lock orders them.
    std::optional<Failure> m_failure;
    std::mutex m_endMutex;
    std::condition_variable m_endDelivered;
    bool m_endWithCount = false;
    bool m_endDone = false;
};

} // namespace clipvane
