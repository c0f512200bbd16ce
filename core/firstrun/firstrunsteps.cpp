#include "core/firstrun/firstrunsteps.h"

#include "core/base/error.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace clipvane {

void WriteMarker(const std::string& path)
{
    // Atomically: a marker is whole or not there at all.
    if (const Status written = platform::ReplaceFileAtomically(path, "Done\r\n", 0644); !written)
        throw FileError(written.failure().text);
}

void RunFirstRunWindows(const std::string& folder, FirstRunHost& host)
{
    const std::string firewall = folder + kFirewallMarker;
    if (!platform::FileExists(firewall)) {
        host.hideMainWindow();
        host.showFirewallWindow();
        host.showMainWindow();
        WriteMarker(firewall);
    }
    const std::string codec = folder + kCodecMarker;
    if (!platform::FileExists(codec)) {
        host.hideMainWindow();
        host.showCodecWindow();
        host.showMainWindow();
        WriteMarker(codec);
    }
}

} // namespace clipvane
