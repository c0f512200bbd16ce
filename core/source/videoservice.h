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

    // The playlist of the latest job stays loaded until the next one.
    const XmlDocument& playlist() const { return m_playlist; }

private:
    ServiceHosts m_hosts;
    XmlDocument m_playlist;
};

} // namespace clipvane
