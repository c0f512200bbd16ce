#pragma once

#include "core/download/transferworker.h"
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
class DownloadWorker : public TransferWorker
{
    Q_OBJECT
public:
    DownloadWorker(std::string url, std::string fileName, DownloadLimits limits = {},
                   QObject* parent = nullptr);

    // failed(): the file could not be created or written, or the stream was
    // not the one announced (a part of it, or longer than any length
    // allows); a request that merely ended early is not a failure here (the
    // caller compares sizes).

    // A broken connection is asked again this often, from the first missing
    // byte.
    static constexpr int kResumes = 3;
    static constexpr std::size_t kReadBytes = std::size_t{64} * 1024;

protected:
    void run() override;

private:
    void copy(platform::ExclusiveFile& file);

    // Written before the start, read by the worker only.
    const std::string m_url;
    const std::string m_fileName;
    const DownloadLimits m_limits;
};

} // namespace clipvane
