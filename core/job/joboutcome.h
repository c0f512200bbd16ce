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
    NoConnection,       // the maker's probe file could not be read
    NoVideoLink,        // the page, the sequence or the playlist gave no stream
    PlaylistUnreadable, // the playlist document was rejected
    DownloadFailed,
    ConversionFailed,
    MoveFailed,         // converted, but not moved into the output folder
    NoConverter,        // refused at Start: no converter could be prepared
    TempFolderUnusable, // refused at Start: the temp folder is not safe to use
    Failed,             // anything else that ended the job
};

struct JobEnd
{
    JobOutcome outcome = JobOutcome::Failed;
    std::string message;   // the text shown to the user
    std::string savedPath; // the file in the output folder, when saved
};

} // namespace clipvane
