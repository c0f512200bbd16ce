#pragma once

#include "core/download/transferworker.h"
#include "core/source/hlsplaylist.h"
#include "core/source/webfetch.h"

#include <string>
#include <vector>

namespace clipvane {

// One stream of an HLS video and the work file it is assembled in.
struct HlsTrack
{
    hls::Media media;
    std::string file;
};

// Segments fetched at once when the user names no other number.
inline constexpr int kDefaultConnections = 4;

// What an HLS download is given: its tracks (the video, and its separate
// sound when it has one), how they are asked for, over how many
// connections at once.
struct HlsPlan
{
    std::vector<HlsTrack> tracks;
    RequestProfile request = ServicePageRequest();
    int connections = kDefaultConnections;
};

// Downloads the segments of an HLS video over several connections at once
// and writes each track's segments, in order, into its work file: each
// initialisation section where it first applies, AES-128 segments
// decrypted, and no more segments in memory than a few per connection. A
// segment that fails is asked for again (up to kRetries times, taken up with
// Range where the server allows); one that never comes fails the download.
// The counts it publishes are the bytes written and the clip's time they
// hold.
class HlsDownloadWorker : public TransferWorker
{
    Q_OBJECT
public:
    explicit HlsDownloadWorker(HlsPlan plan, QObject* parent = nullptr);

    std::int64_t totalMilliseconds() const { return m_totalMilliseconds; }

    static constexpr int kRetries = 3;
    static constexpr int kMostConnections = 16;
    // Beyond this a segment is refused: no real segment is near it.
    static constexpr std::size_t kLargestSegment = std::size_t{512} * 1024 * 1024;

protected:
    void run() override;

private:
    const HlsPlan m_plan;
    std::int64_t m_totalMilliseconds = 0;
};

// AES-128-CBC with PKCS#7 padding, as HLS encrypts whole segments; nothing
// when the data is not such a ciphertext under this key.
std::optional<std::string> DecryptSegment(const std::string& data,
                                          const std::array<std::uint8_t, 16>& key,
                                          const std::array<std::uint8_t, 16>& iv);

} // namespace clipvane
