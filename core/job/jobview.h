#pragma once

#include "core/job/joboutcome.h"
#include "core/job/jobstatus.h"

namespace clipvane {

// What a front end hears of a job, in values and in this order: the job has
// started, its status as it changes, its end. The windows implement it, and
// so does the command line; each makes its own text of what it hears.
class JobView
{
public:
    virtual ~JobView() = default;

    // The job runs: the progress display replaces whatever asked for it.
    virtual void jobStarted() = 0;
    virtual void statusChanged(const JobStatus& status) = 0;
    // The job is over (or was refused at Start); called last, once per Start.
    virtual void jobEnded(const JobEnd& end) = 0;
};

} // namespace clipvane
