#pragma once

#include "core/source/hlsplaylist.h"
#include "core/source/internet.h"
#include "core/source/webfetch.h"

#include <cstdint>
#include <optional>
#include <string>

namespace clipvane {

// A clip whose stream can be downloaded: what the job needs of a video site.
struct ResolvedClip
{
    std::string title; // fit to be a file name
    std::string streamUrl;
    std::int64_t expectedSize = 0;
    // A stream of today's web may say no length; the service's always did.
    bool lengthOptional = false;
    // How the stream is asked for: the service's request ("Mozilla",
    // "Accept: */*") unless the source says otherwise.
    RequestProfile request = ServicePageRequest();
    // An HLS stream: its video (or only) playlist, and its separate sound.
    struct Hls
    {
        hls::Media video;
        std::optional<hls::Media> sound;
    };
    std::optional<Hls> hls;
};

enum class ResolveFailure
{
    None,
    NoConnection,       // the maker's host did not answer the probe
    NoVideoLink,        // no stream address came out of the page
    PlaylistUnreadable, // the playlist document was rejected; see message
    NoLength,           // the stream announced no usable length
    CertificateRefused, // a secure site's certificate was not trusted; see message
    LiveStream,         // an HLS stream that is not finished; see message
    ProtectedStream,    // encrypted for a player alone, or with gaps; see message
    Unexpected,         // what no site expects (out of memory); see message
};

struct Resolution
{
    ResolveFailure failure = ResolveFailure::None;
    std::string message; // the reason, for the failures that say "see message"
    // The page's title, whenever the page was asked for, even when a later
    // step failed; nothing when no page was read.
    std::optional<std::string> title;
    ResolvedClip clip;

    bool ok() const { return failure == ResolveFailure::None; }
};

// The milestones of a resolution, for the progress the user sees while the
// requests are made. Called on the thread that resolves.
class ResolutionProgress
{
public:
    virtual ~ResolutionProgress() = default;
    virtual void connectionChecked() = 0;
    // Page, sequence and playlist are done; `title` is the page's, if read.
    virtual void linkLookedUp(const std::optional<std::string>& title) = 0;
    virtual void lengthQueryStarting() = 0;
};

// A video site: turns the address of one of its pages into a clip. A second
// site implements this beside the first; the job controller takes either.
// One resolution at a time runs, on a thread of its own (never the window's).
class ClipSource
{
public:
    virtual ~ClipSource() = default;
    // Blocks until the clip is resolved or the failure is known. Errors are
    // reported in the result; only what no site expects (out of memory) is
    // raised. Once `stop` is set the request in flight ends at once and the
    // result no longer matters.
    virtual Resolution resolve(const std::string& pageAddress, ResolutionProgress& progress,
                               const StopFlag& stop) = 0;
};

} // namespace clipvane
