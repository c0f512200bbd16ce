#pragma once

#include <memory>
#include <string>

namespace clipvane {

class JobController;
class JobView;
struct ServiceHosts;

// What start-up could not do; each text is empty when its step went well.
struct StartupProblems
{
    std::string tempFolder;    // the temp folder is unsafe: no job will write into it
    std::string converterTool; // the converter tool could not be installed
};

// The start-up every front end shares: prepares the private temp folder,
// installs the converter tool, makes the one converter runner and builds the
// job controller on the video service at `hosts`. Never raises: a step that
// failed is described in `problems`, and the controller then refuses to
// start a job, saying why.
std::unique_ptr<JobController> StartJobSystem(JobView& view, const ServiceHosts& hosts,
                                              StartupProblems& problems);

// The temp folder of this user's jobs.
std::string DefaultTempFolder();

} // namespace clipvane
