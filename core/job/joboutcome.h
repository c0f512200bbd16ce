#pragma once

#include <string>

namespace clipvane {

// How a job ended. Each front end decides from this alone what to do
// (the window shows the message, the command line picks its exit status);
// nothing compares message texts.
enum class JobOutcome
{
    Saved,
    Cancelled,
    NoConnection,       // neither the maker's probe file nor the page could be reached
    NoVideoLink,        // the page, the sequence or the playlist gave no stream
    CertificateRefused, // a secure site's certificate was not trusted
    LiveStream,         // an HLS stream that is not finished
    ProtectedStream,    // a stream that is encrypted for a player alone, or has gaps
    PlaylistUnreadable, // the playlist document was rejected
    DownloadFailed,
    ConversionFailed,
    MoveFailed,          // converted, but not moved into the output folder
    NoConverter,         // refused at Start: no converter could be prepared
    ConverterNotStarted, // the converter program could not be started: the program cannot go on
    TempFolderUnusable,  // refused at Start: the temp folder is not safe to use
    Failed,              // anything else that ended the job
};

struct JobEnd
{
    JobOutcome outcome = JobOutcome::Failed;
    // What went wrong, as the user reads it; empty for a saved or a
    // cancelled job, whose words each front end chooses.
    std::string message;
    std::string savedPath; // the file in the output folder, when saved
};

// Whether the job ran at all: a refused Start never showed its progress.
bool WasRefusedAtStart(JobOutcome outcome);

} // namespace clipvane
