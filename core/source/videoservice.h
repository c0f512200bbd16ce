#pragma once

#include "core/source/clipsource.h"
#include "core/source/playlist.h"
#include "core/source/servicehosts.h"

namespace clipvane {

// The video service: the maker's probe, the page, the sequence document, the
// playlist and the stream's length, in that order.
class VideoService : public ClipSource
{
public:
    explicit VideoService(ServiceHosts hosts);

    Resolution resolve(const std::string& pageAddress, ResolutionProgress& progress,
                       const StopFlag& stop) override;

    // The rest of the service's flow once its maker has answered and the
    // page has been read: `page` is its body (empty when it could not be
    // read), or nothing when there was no address to read.
    // `hosts`, when given, stand in for the service's own for this page.
    Resolution resolveWithPage(const std::optional<std::string>& page, ResolutionProgress& progress,
                               const StopFlag& stop, const ServiceHosts* hosts = nullptr);

    // The playlist of the latest job stays loaded until the next one.
    const XmlDocument& playlist() const { return m_playlist; }

private:
    ServiceHosts m_hosts;
    XmlDocument m_playlist;
};

} // namespace clipvane
