#include "core/source/videoservice.h"

#include "core/base/error.h"
#include "core/source/streamlookup.h"
#include "core/source/videopage.h"
#include "core/source/webfetch.h"

#include <utility>

namespace clipvane {

VideoService::VideoService(ServiceHosts hosts) : m_hosts(std::move(hosts)) {}

Resolution VideoService::resolve(const std::string& pageAddress, ResolutionProgress& progress,
                                 const StopFlag& stop)
{
    Resolution result;
    if (!CheckConnection(ProbeAddress(m_hosts), &stop)) {
        result.failure = ResolveFailure::NoConnection;
        return result;
    }
    progress.connectionChecked();
    std::optional<std::string> page;
    if (!pageAddress.empty())
        page = FetchUrlText(pageAddress, &stop);
    return resolveWithPage(page, progress, stop);
}

Resolution VideoService::resolveWithPage(const std::optional<std::string>& pageBody,
                                         ResolutionProgress& progress, const StopFlag& stop,
                                         const ServiceHosts* hostsForPage)
{
    const ServiceHosts& hosts = hostsForPage ? *hostsForPage : m_hosts;
    Resolution result;
    std::string flv;
    try {
        std::string clipId;
        if (pageBody) {
            const ScrapedPage page = ScrapePage(*pageBody, LongTimeOfDay());
            result.title = page.title;
            clipId = page.clipId;
        }
        const std::string streamId =
            clipId.empty() ? std::string() : GetStreamId(SequenceAddress(hosts, clipId), &stop);
        if (!streamId.empty())
            flv = ResolveFlvUrl(m_playlist, PlaylistAddress(hosts, streamId), &stop);
    } catch (const Error& e) {
        // Only the playlist raises: a document the parser rejects.
        result.failure = ResolveFailure::PlaylistUnreadable;
        result.message = e.what();
        return result;
    }
    progress.linkLookedUp(result.title);
    if (flv.empty()) {
        result.failure = ResolveFailure::NoVideoLink;
        return result;
    }

    progress.lengthQueryStarting();
    result.clip.streamUrl = flv;
    result.clip.title = result.title.value_or(std::string());
    result.clip.expectedSize = GetContentLength(flv, &stop);
    if (result.clip.expectedSize == 0)
        result.failure = ResolveFailure::NoLength;
    return result;
}

} // namespace clipvane
