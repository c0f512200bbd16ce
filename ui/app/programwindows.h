#pragma once

#include <memory>

namespace clipvane {

class AboutBox;
class MainWindow;
class ProgressWindow;
class CodecOfferWindow;
class FirewallProbeWindow;

// The program's five windows, made once at start in their fixed order and
// kept until the end. All but the main window start hidden.
struct ProgramWindows
{
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<ProgressWindow> progressWindow;
    std::unique_ptr<CodecOfferWindow> codecOfferWindow;
    std::unique_ptr<FirewallProbeWindow> firewallProbeWindow;
    std::unique_ptr<AboutBox> aboutBox;
};

} // namespace clipvane
