#include "core/download/downloadworker.h"

#include "core/source/internet.h"
#include "core/source/webfetch.h"
#include "platform/files.h"

#include <memory>
#include <vector>

namespace clipvane {

namespace {

// "bytes N-M/T" of a 206 answer: whether it goes on at `from` of `total`.
bool rangeGoesOnAt(const InternetRequest& request, std::uint64_t from, std::uint64_t total)
{
    const std::optional<std::string> range = request.header("Content-Range");
    if (request.statusCode() != 206 || !range)
        return false;
    const std::string expected = "bytes " + std::to_string(from) + "-";
    const auto slash = range->rfind('/');
    return range->rfind(expected, 0) == 0 && slash != std::string::npos &&
           (range->substr(slash + 1) == std::to_string(total) || range->substr(slash + 1) == "*");
}

} // namespace

DownloadWorker::DownloadWorker(std::string url, std::string fileName, QObject* parent)
    : QThread(parent), m_url(std::move(url)), m_fileName(std::move(fileName))
{
    // Made on the main thread, where this object lives: both land there.
    connect(this, &DownloadWorker::countChanged, this, &DownloadWorker::publishCount,
            Qt::QueuedConnection);
    connect(this, &DownloadWorker::copyEnded, this, &DownloadWorker::deliverEnd,
            Qt::QueuedConnection);
    // Self-freeing: the object goes once its thread has really ended, joined,
    // not merely announced its end.
    connect(this, &QThread::finished, this, [this] {
        wait();
        deleteLater();
    });
}

void DownloadWorker::setCount(std::uint64_t bytes)
{
    // The count is a 32-bit number, as it always was; it wraps past 4 GB.
    m_bytesDone.store(static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes)));
}

// One publish waits in the queue at most: the worker never waits for the
// main thread, and a busy main thread takes the latest count when it comes.
void DownloadWorker::announceCount()
{
    if (!m_countPending.exchange(true))
        emit countChanged();
}

void DownloadWorker::publishCount()
{
    m_countPending.store(false);
    m_bytesShown = m_bytesDone.load();
    if (m_progressHandler)
        m_progressHandler();
}

void DownloadWorker::sendEnd(bool withCount)
{
    {
        std::lock_guard lock(m_endMutex);
        m_endWithCount = withCount;
    }
    emit copyEnded();
    std::unique_lock lock(m_endMutex);
    m_endDelivered.wait(lock, [this] { return m_endDone; });
}

void DownloadWorker::deliverEnd()
{
    bool withCount = false;
    {
        // Everything the worker wrote before its end is seen from here on.
        std::lock_guard lock(m_endMutex);
        withCount = m_endWithCount;
    }
    if (withCount)
        publishCount();
    try {
        if (m_doneHandler)
            m_doneHandler();
    } catch (...) {
        // Not shown: it only ends this download.
    }
    std::lock_guard lock(m_endMutex);
    m_endDone = true;
    m_endDelivered.notify_one();
}

void DownloadWorker::run()
{
    m_stopRequested = 0;
    platform::ExclusiveFile file;
    if (Status created = file.create(m_fileName); !created) {
        m_failure = created.failure();
        sendEnd(false);
        return;
    }
    setCount(0);
    copy(file);
    if (Status closed = file.close(); !closed && !m_failure)
        m_failure = closed.failure();
    // The end is delivered exactly once, after the last count.
    sendEnd(true);
}

void DownloadWorker::copy(platform::ExclusiveFile& file)
{
    const InternetSession session(kBrowserAgent);
    RequestOptions options;
    options.headers = {kAcceptAnything};
    options.stop = &m_stopRequested;
    std::unique_ptr<InternetRequest> request = InternetRequest::open(session, m_url, options);
    if (!request)
        return;
    const std::int32_t announced = GetContentLengthOf(*request);

    std::vector<char> block(kReadBytes);
    std::uint64_t done = 0;
    for (int resumes = 0;;) {
        const std::size_t count = request->readSome(block.data(), block.size());
        if (count > 0) {
            if (Status written = file.write(block.data(), count); !written) {
                // A short write (a full disk) must never pass for a whole download.
                m_failure = written.failure();
                return;
            }
            done += count;
            setCount(done);
            announceCount();
            continue;
        }
        // The body has ended: at its end, or broken off before the length
        // the server announced. A broken one is asked for again from the
        // first missing byte, and taken only as the rest of the same stream.
        if (!request->failed() || m_stopRequested == 1 || announced <= 0 ||
            done >= static_cast<std::uint64_t>(announced) || resumes == kResumes)
            return;
        ++resumes;
        RequestOptions rest = options;
        rest.headers.push_back("Range: bytes=" + std::to_string(done) + "-");
        request = InternetRequest::open(session, m_url, rest);
        if (!request || !rangeGoesOnAt(*request, done, static_cast<std::uint64_t>(announced)))
            return;
    }
}

} // namespace clipvane
