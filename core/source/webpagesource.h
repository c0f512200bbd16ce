#pragma once

#include "core/source/clipsource.h"
#include "core/source/webfetch.h"

namespace clipvane {

// Pages of today's web: the address itself as media, or a page that names
// its video (Open Graph, twitter:player:stream, JSON-LD, <video> and
// <source>), or one of the players it embeds (one level of <iframe>). Its
// requests look like a current browser's, share the cookies of one job, and
// give the page as Referer for the media.
class WebPageSource : public ClipSource
{
public:
    // Fetches the page itself, as a browser does.
    Resolution resolve(const std::string& pageAddress, ResolutionProgress& progress,
                       const StopFlag& stop) override;

    // Goes on from a first answer already fetched for `pageAddress` (by
    // whatever request): an error status is asked again as a browser asks.
    Resolution resolveFrom(const std::string& pageAddress, FetchedDocument first,
                           const std::shared_ptr<RequestShare>& share, ResolutionProgress& progress,
                           const StopFlag& stop);

    // Iframes tried at most, in page order, when the page names no media.
    static constexpr std::size_t kMostPlayers = 8;
    // Media addresses tried at most, best first, until one answers as media.
    static constexpr std::size_t kMostCandidates = 4;
};

// Reads the HLS playlist at `address` (a master: its best variant and that
// variant's separate sound) into result.clip.hls, or says in `result` why
// it is not saved.
void ReadHls(const std::string& address, const RequestProfile& request, const StopFlag& stop,
             Resolution& result);

inline constexpr const char* kLiveStreamMessage =
    "Error: This is a live stream; only finished videos can be saved.";
inline constexpr const char* kProtectedMessage =
    "Error: This video is protected and cannot be saved.";
inline constexpr const char* kGapsMessage = "Error: This video has gaps and cannot be saved whole.";

// The message of a secure site whose certificate is not trusted.
std::string CertificateMessage(const std::string& address, const std::string& reason);

} // namespace clipvane
