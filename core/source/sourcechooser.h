#pragma once

#include "core/source/clipsource.h"
#include "core/source/servicehosts.h"
#include "core/source/videoservice.h"
#include "core/source/webpagesource.h"

namespace clipvane {

// Chooses, page by page, which source serves it: the video service for a
// page that holds the service's clip marker (its flow stays byte for byte
// what it was), today's web for every other. Both start the same way: the
// maker's probe, then the page read once with the service's own request.
// When the probe fails, the page answering is reachability enough; only
// when neither answers does the job end with the firewall message.
class SourceChooser : public ClipSource
{
public:
    explicit SourceChooser(ServiceHosts hosts);

    Resolution resolve(const std::string& pageAddress, ResolutionProgress& progress,
                       const StopFlag& stop) override;

    const VideoService& service() const { return m_service; }

private:
    ServiceHosts m_hosts;
    VideoService m_service;
    WebPageSource m_web;
};

} // namespace clipvane
