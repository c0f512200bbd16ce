#include "core/download/downloadworker.h"

#include "core/source/internet.h"
#include "core/source/webfetch.h"
#include "platform/files.h"

#include <memory>
#include <vector>

namespace clipvane {

namespace {

// Whether a 206 answer goes on at `from` of a stream of `total` bytes.
bool rangeGoesOnAt(const InternetRequest& request, std::int64_t from, std::int64_t total)
{
    const std::optional<std::string> header = request.header("Content-Range");
    if (request.statusCode() != 206 || !header)
        return false;
    const std::optional<ContentRange> range = ContentRangeValue(*header);
    return range && range->first == from && (!range->total || *range->total == total);
}

} // namespace

DownloadWorker::DownloadWorker(std::string url, std::string fileName, DownloadLimits limits,
                               QObject* parent)
    : TransferWorker(parent), m_url(std::move(url)), m_fileName(std::move(fileName)),
      m_limits(std::move(limits))
{
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
    const InternetSession session(m_limits.request.userAgent);
    RequestOptions options;
    options.headers = m_limits.request.headers;
    options.share = m_limits.request.share;
    options.stop = &m_stopRequested;
    std::unique_ptr<InternetRequest> request = InternetRequest::open(session, m_url, options);
    if (!request)
        return;
    if (request->statusCode() == 206) {
        // A part where the whole was asked for: taken only as the stream's
        // beginning; the rest is then asked for as after a break.
        const auto header = request->header("Content-Range");
        const auto range = header ? ContentRangeValue(*header) : std::nullopt;
        if (!range || range->first != 0) {
            m_failure = Failure{"the server sent a part of the stream from its middle"};
            return;
        }
    }
    // What the stream is held to: the job's length, else the stream's own.
    std::int64_t announced = m_limits.expectedSize;
    if (announced <= 0)
        announced = GetContentLengthOf(*request);
    if (announced < 0)
        announced = 0;

    std::vector<char> block(kReadBytes);
    std::int64_t done = 0;
    for (int resumes = 0;;) {
        std::size_t count = request->readSome(block.data(), block.size());
        if (count > 0) {
            if (announced > 0 && done + static_cast<std::int64_t>(count) > announced)
                count = static_cast<std::size_t>(announced - done); // more than was announced
            if (Status written = file.write(block.data(), count); !written) {
                // A short write (a full disk) must never pass for a whole download.
                m_failure = written.failure();
                return;
            }
            done += static_cast<std::int64_t>(count);
            setCount(done);
            announceCount();
            if (announced > 0 && done >= announced)
                return;
            if (announced == 0 && done > m_limits.unknownLengthCeiling) {
                m_failure = Failure{"the stream says no length and goes on past " +
                                    std::to_string(m_limits.unknownLengthCeiling) + " bytes"};
                return;
            }
            continue;
        }
        // The body has ended before the announced length: broken off, or a
        // part of it sent. The rest is asked for from the first missing
        // byte, and taken only as the rest of the same stream.
        if (m_stopRequested == 1 || announced <= 0 || done >= announced || resumes == kResumes)
            return;
        ++resumes;
        RequestOptions rest = options;
        rest.headers.push_back("Range: bytes=" + std::to_string(done) + "-");
        request = InternetRequest::open(session, m_url, rest);
        if (!request || !rangeGoesOnAt(*request, done, announced))
            return;
    }
}

} // namespace clipvane
