#pragma once

#include <cstdint>
#include <string>

namespace clipvane {

// The variables of the one job that can run at a time. They live for the
// whole run and are touched on the main thread only.
struct TJobState
{
    TJobState();

    std::string VideoTitle;
    std::string TempFolder; // never changes; ends in "/"
    std::string ToolFolder; // set at start-up by the tool installation; ends in "/"
    std::int32_t ExpectedSize = 0;
    std::int32_t DurationSeconds = 0;
    bool Downloading = false;
    bool Converting = false;
    bool Busy = false;
    bool Cancelled = false;

    // False when TempFolder turned out unsafe at start-up (a link, a file,
    // another user's folder): no job may then write into it.
    bool TempFolderReady = false;
};

// The process-wide instance, made on first use so that its folders follow the
// environment the program (or a test) started with.
TJobState& JobState();

std::string DefaultTempFolder();

} // namespace clipvane
