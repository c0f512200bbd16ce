#include "job/jobstate.h"

#include "platform/folders.h"

namespace clipvane {

std::string DefaultTempFolder()
{
    return platform::CacheFolder() + "tolrand_temp_folder_3/";
}

TJobState::TJobState() : TempFolder(DefaultTempFolder()) {}

TJobState& JobState()
{
    static TJobState state;
    return state;
}

} // namespace clipvane
