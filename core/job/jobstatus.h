#pragma once

#include "core/job/progressmath.h"

#include <cstdint>
#include <optional>
#include <string>

namespace clipvane {

// The three phases of a job, as a script following it sees them.
enum class JobPhase
{
    Resolving,
    Downloading,
    Converting,
};

// Where a job is, a little finer than its phase: each step is a sentence of
// its own in the progress window.
enum class JobStep
{
    Starting,         // nothing asked yet, or the maker's host is being asked
    LookingUp,        // the host answered: the page, the playlist, the stream's length
    DownloadStarting, // the stream is asked for; its announced length is known
    Downloading,      // bytes are arriving
    Converting,       // the converter has described the clip and works on it
};

JobPhase PhaseOf(JobStep step);

// Everything a front end shows of a running job, as values: each front end
// words it for itself.
struct JobStatus
{
    JobStep step = JobStep::Starting;
    // The clip's title once the job has looked the clip up (a page that
    // could not be read leaves the previous job's); nothing before that.
    std::optional<std::string> title;
    GaugeValues gauges;
    // While the stream downloads: the bytes that have arrived and the length
    // the server announced.
    std::optional<std::int64_t> bytesDone;
    std::int64_t bytesExpected = 0;

    bool operator==(const JobStatus&) const = default;
};

} // namespace clipvane
