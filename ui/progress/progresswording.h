#pragma once

#include "core/job/joboutcome.h"
#include "core/job/jobstatus.h"

#include <string>

namespace clipvane {

// The sentences of the progress window and of the job's end, in one place:
// what the windows say about the values a job reports. The command line
// words the same values for itself.
struct ProgressWording
{
    std::string starting = "Current process.";
    std::string lookingUp = "Getting information...";
    // "%1" and "%2": the bytes so far and the bytes announced.
    std::string downloadStarting = "Downloading... (%1 of %2 b)";
    std::string downloading = "Downloading... (%1 of %2)"; // in kilobytes
    std::string downloadingWithoutLength = "Downloading... (%1)";
    std::string converting = "Converting...";
    std::string untitled = "Video Title: <untitled>";
    std::string titled = "title: %1";
    std::string done = "Done.";

    // The operation label's text for `status`.
    std::string operation(const JobStatus& status) const;
    // The title label's text for `status`.
    std::string title(const JobStatus& status) const;
    // The message a job's end shows.
    std::string endMessage(const JobEnd& end) const;
};

} // namespace clipvane
