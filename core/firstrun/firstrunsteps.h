#pragma once

#include <string>

namespace clipvane {

// What the first-run steps need of the windows.
class FirstRunHost
{
public:
    virtual ~FirstRunHost() = default;
    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    virtual void showFirewallWindow() = 0; // modal: returns once it has closed
    virtual void showCodecWindow() = 0;    // modal as well
};

// Shows each first-run window whose marker is missing from `folder`, the
// firewall window first, and writes its marker however the window closed.
// A marker that cannot be written raises "Cannot create file ...", which
// ends the deferred start-up there.
void RunFirstRunWindows(const std::string& folder, FirstRunHost& host);

inline constexpr const char* kFirewallMarker = "done2.txt";
inline constexpr const char* kCodecMarker = "done.txt";

// The marker's six bytes: "Done" CR LF.
void WriteMarker(const std::string& path);

} // namespace clipvane
