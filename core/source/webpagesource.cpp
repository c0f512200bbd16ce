#include "core/source/webpagesource.h"

#include "core/source/pagemedia.h"
#include "core/source/videopage.h"

#include <QUrl>

namespace clipvane {

namespace {

// The last part of the media's path, without its extension: the title of
// last resort.
std::string FileNameOf(const std::string& address)
{
    const QUrl url(QString::fromStdString(address));
    std::string name = QUrl::fromPercentEncoding(url.path().toUtf8()).toStdString();
    name = name.substr(name.find_last_of('/') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

struct Media
{
    std::string address;
    std::int64_t length = 0;
    bool hls = false;
};

// An answer that is media, as the job takes it on.
Media MediaOf(const FetchedDocument& answer, const std::string& asked)
{
    const bool playlist = answer.body.rfind("#EXTM3U", 0) == 0 ||
                          answer.body.rfind("\xEF\xBB\xBF#EXTM3U", 0) == 0 ||
                          answer.contentType.find("mpegurl") != std::string::npos ||
                          answer.contentType.find("mpegURL") != std::string::npos;
    return Media{answer.finalAddress.empty() ? asked : answer.finalAddress, answer.length,
                 playlist};
}

// The first candidate that answers as media, asked the way its player would.
std::optional<Media> FirstMedia(const std::vector<std::string>& candidates,
                                const RequestProfile& request, const StopFlag& stop,
                                std::optional<RequestFailure>& certificateProblem)
{
    std::size_t tried = 0;
    for (const std::string& candidate : candidates) {
        if (tried++ == WebPageSource::kMostCandidates || stop.load() == 1)
            break;
        const FetchedDocument answer = FetchDocument(candidate, request, &stop);
        if (!answer.reached && answer.failure.certificate && !certificateProblem)
            certificateProblem = answer.failure;
        // A player page or an error page in the place of a film is none.
        if (answer.reached && answer.isMedia)
            return MediaOf(answer, candidate);
    }
    return std::nullopt;
}

} // namespace

void ReadHls(const std::string& address, const RequestProfile& request, const StopFlag& stop,
             Resolution& result)
{
    auto refuse = [&result](hls::Refusal refusal) {
        switch (refusal) {
        case hls::Refusal::Live:
            result.failure = ResolveFailure::LiveStream;
            result.message = kLiveStreamMessage;
            return;
        case hls::Refusal::Protected:
            result.failure = ResolveFailure::ProtectedStream;
            result.message = kProtectedMessage;
            return;
        case hls::Refusal::Gaps:
            result.failure = ResolveFailure::ProtectedStream;
            result.message = kGapsMessage;
            return;
        case hls::Refusal::Unreadable:
        case hls::Refusal::None:
            result.failure = ResolveFailure::NoVideoLink;
            return;
        }
    };
    auto media = [&](const std::string& uri) -> std::optional<hls::Media> {
        const FetchedDocument list = FetchDocument(uri, request, &stop, true);
        const std::string at = list.finalAddress.empty() ? uri : list.finalAddress;
        // A media playlist that is a master again (or itself): no video to be had.
        if (!list.reached || list.status >= 400 || hls::IsMasterPlaylist(list.body)) {
            refuse(hls::Refusal::Unreadable);
            return std::nullopt;
        }
        hls::MediaReading reading = hls::ReadMedia(list.body, at);
        if (reading.refusal != hls::Refusal::None) {
            refuse(reading.refusal);
            return std::nullopt;
        }
        return std::move(reading.media);
    };

    const FetchedDocument first = FetchDocument(address, request, &stop, true);
    if (!first.reached || first.status >= 400 || !hls::IsPlaylist(first.body)) {
        refuse(hls::Refusal::Unreadable);
        return;
    }
    const std::string at = first.finalAddress.empty() ? address : first.finalAddress;
    ResolvedClip::Hls streams;
    if (hls::IsMasterPlaylist(first.body)) {
        const hls::Master master = hls::ReadMaster(first.body, at);
        const std::optional<std::size_t> best = hls::BestVariant(master);
        if (!best) {
            refuse(hls::Refusal::Unreadable);
            return;
        }
        const hls::Variant& variant = master.variants[*best];
        std::optional<hls::Media> video = media(variant.uri);
        if (!video)
            return;
        streams.video = std::move(*video);
        if (const hls::Rendition* sound = hls::SoundOf(master, variant)) {
            std::optional<hls::Media> soundMedia = media(sound->uri);
            if (!soundMedia)
                return;
            streams.sound = std::move(*soundMedia);
        }
    } else {
        hls::MediaReading reading = hls::ReadMedia(first.body, at);
        if (reading.refusal != hls::Refusal::None) {
            refuse(reading.refusal);
            return;
        }
        streams.video = std::move(reading.media);
    }
    result.clip.hls = std::move(streams);
}

std::string CertificateMessage(const std::string& address, const std::string& reason)
{
    const QUrl url(QString::fromStdString(address));
    return "Error: The secure connection to " + url.host().toStdString() + " cannot be trusted (" +
           reason + ").";
}

Resolution WebPageSource::resolve(const std::string& pageAddress, ResolutionProgress& progress,
                                  const StopFlag& stop)
{
    auto share = std::make_shared<RequestShare>();
    FetchedDocument first = FetchDocument(pageAddress, BrowserPageRequest(share), &stop);
    progress.connectionChecked();
    return resolveFrom(pageAddress, std::move(first), share, progress, stop);
}

Resolution WebPageSource::resolveFrom(const std::string& pageAddress, FetchedDocument page,
                                      const std::shared_ptr<RequestShare>& share,
                                      ResolutionProgress& progress, const StopFlag& stop)
{
    Resolution result;
    // A site that turns the plain request away may still serve a browser.
    if (page.reached && page.status >= 400) {
        FetchedDocument again = FetchDocument(pageAddress, BrowserPageRequest(share), &stop);
        if (again.reached)
            page = std::move(again);
    }
    if (!page.reached) {
        if (page.failure.certificate) {
            result.failure = ResolveFailure::CertificateRefused;
            result.message = CertificateMessage(pageAddress, page.failure.reason);
            return result;
        }
        progress.linkLookedUp(std::nullopt);
        result.failure = ResolveFailure::NoVideoLink;
        return result;
    }
    const std::string at = page.finalAddress.empty() ? pageAddress : page.finalAddress;

    std::vector<std::string> candidates;
    std::string title;
    std::string referer = at;
    std::optional<RequestFailure> certificateProblem;
    // The address is the film itself: its answer has said all a second
    // request would.
    std::optional<Media> direct;
    if (page.isMedia) {
        direct = MediaOf(page, pageAddress);
    } else if (page.status < 400) {
        const PageFindings found = FindPageMedia(page.body, at, CharsetOf(page.contentType));
        title = found.title;
        candidates = found.media;
        // Nothing on the page itself: the players it embeds, one level deep.
        std::size_t tried = 0;
        for (const std::string& player : found.players) {
            if (!candidates.empty() || tried++ == kMostPlayers || stop.load() == 1)
                break;
            if (player == at || player == pageAddress)
                continue; // a page that embeds itself
            RequestProfile request = BrowserPageRequest(share);
            request.headers.push_back("Referer: " + at);
            const FetchedDocument inner = FetchDocument(player, request, &stop);
            if (!inner.reached && inner.failure.certificate && !certificateProblem)
                certificateProblem = inner.failure;
            if (!inner.reached || inner.status >= 400)
                continue;
            const std::string innerAt = inner.finalAddress.empty() ? player : inner.finalAddress;
            if (inner.isMedia) {
                candidates.push_back(innerAt);
            } else {
                const PageFindings embedded =
                    FindPageMedia(inner.body, innerAt, CharsetOf(inner.contentType));
                candidates = embedded.media;
                if (title.empty())
                    title = embedded.title;
            }
            if (!candidates.empty())
                referer = innerAt;
        }
    }

    const RequestProfile mediaRequest = BrowserMediaRequest(share, referer);
    const std::optional<Media> media =
        direct ? direct : FirstMedia(candidates, mediaRequest, stop, certificateProblem);
    if (title.empty() && media)
        title = FileNameOf(media->address);
    if (!title.empty())
        result.title = CleanTitle(title);
    progress.linkLookedUp(result.title);
    if (!media) {
        if (certificateProblem) {
            result.failure = ResolveFailure::CertificateRefused;
            result.message = CertificateMessage(candidates.empty() ? at : candidates.front(),
                                                certificateProblem->reason);
            return result;
        }
        result.failure = ResolveFailure::NoVideoLink;
        return result;
    }
    progress.lengthQueryStarting();
    if (media->hls || LooksLikeHls(media->address)) {
        ReadHls(media->address, mediaRequest, stop, result);
        if (!result.ok())
            return result;
        result.clip.title = result.title.value_or(FileNameOf(media->address));
        result.clip.streamUrl = media->address;
        result.clip.lengthOptional = true;
        result.clip.request = mediaRequest;
        return result;
    }
    result.clip.title = result.title.value_or(FileNameOf(media->address));
    result.clip.streamUrl = media->address;
    result.clip.expectedSize = media->length > 0 ? media->length : 0;
    result.clip.lengthOptional = true;
    result.clip.request = mediaRequest;
    return result;
}

} // namespace clipvane
