#include "core/job/jobstartup.h"

#include "core/conversion/toolinstall.h"
#include "core/job/jobcontroller.h"
#include "core/source/videoservice.h"
#include "platform/folders.h"

namespace clipvane {

std::string DefaultTempFolder()
{
    return platform::CacheFolder() + "tolrand_temp_folder_3/";
}

std::unique_ptr<JobController> StartJobSystem(JobView& view, const ServiceHosts& hosts,
                                              ConverterRunner::FatalHandler fatal,
                                              StartupProblems& problems)
{
    JobFolders folders;
    folders.temp = DefaultTempFolder();
    // A missing folder is made; one that exists but is not ours (a link, a
    // file, another user's folder) is never written into.
    problems.tempFolder = platform::PreparePrivateFolder(folders.temp);
    folders.tempReady = problems.tempFolder.empty();

    std::unique_ptr<ConverterRunner> converter;
    try {
        folders.tool = InstallConverterTool();
        converter = std::make_unique<ConverterRunner>();
        converter->setFatalHandler(std::move(fatal));
    } catch (const std::exception& e) {
        problems.converterTool = e.what();
    }
    return std::make_unique<JobController>(view, std::make_unique<VideoService>(hosts),
                                           std::move(folders), std::move(converter));
}

} // namespace clipvane
