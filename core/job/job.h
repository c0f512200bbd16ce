#pragma once

#include <cstdint>
#include <string>

namespace clipvane {

// The variables of one job, owned by the job controller and touched on the
// main thread only. A new job starts from the previous one's title: only a
// page that was read replaces it, so a job that never reaches the page still
// shows the last title.
struct Job
{
    std::string title;
    std::int64_t expectedSize = 0;    // the stream's announced length
    std::int32_t durationSeconds = 0; // the converter's reading of the clip
    bool downloading = false;
    bool converting = false;
    bool cancelled = false;
};

// Where every job keeps its files, fixed at start-up.
struct JobFolders
{
    std::string temp; // "temp.flv" and "temp.avi"; ends in "/"
    std::string tool; // the converter "nnn.exe"; ends in "/", empty when not installed
    // False when the temp folder turned out unsafe at start-up (a link, a
    // file, another user's folder): no job may then write into it.
    bool tempReady = false;
};

} // namespace clipvane
