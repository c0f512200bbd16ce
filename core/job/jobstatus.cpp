#include "core/job/jobstatus.h"

#include "core/job/joboutcome.h"

namespace clipvane {

JobPhase PhaseOf(JobStep step)
{
    switch (step) {
    case JobStep::Starting:
    case JobStep::LookingUp:
        return JobPhase::Resolving;
    case JobStep::DownloadStarting:
    case JobStep::Downloading:
        return JobPhase::Downloading;
    case JobStep::Converting:
        return JobPhase::Converting;
    }
    return JobPhase::Resolving;
}

bool WasRefusedAtStart(JobOutcome outcome)
{
    return outcome == JobOutcome::NoConverter || outcome == JobOutcome::TempFolderUnusable;
}

} // namespace clipvane
