#include "core/job/jobstartup.h"

#include "core/conversion/converterrunner.h"
#include "core/conversion/toolinstall.h"
#include "core/job/jobcontroller.h"
#include "core/source/sourcechooser.h"
#include "platform/folders.h"

namespace clipvane {

std::string DefaultTempFolder()
{
    return platform::CacheFolder() + "tolrand_temp_folder_3/";
}

std::unique_ptr<JobController> StartJobSystem(JobView& view, const ServiceHosts& hosts,
                                              StartupProblems& problems)
{
    JobFolders folders;
    folders.temp = DefaultTempFolder();
    // A missing folder is made; one that exists but is not ours (a link, a
    // file, another user's folder) is never written into.
    const Status prepared = platform::PreparePrivateFolder(folders.temp);
    problems.tempFolder = prepared.errorText();
    folders.tempReady = prepared.ok();

    std::unique_ptr<ConverterRunner> converter;
    if (Result<std::string> tool = InstallConverterTool(); tool.ok()) {
        folders.tool = std::move(tool).value();
        converter = std::make_unique<ConverterRunner>();
    } else {
        problems.converterTool = tool.failure().text;
    }
    return std::make_unique<JobController>(view, std::make_unique<SourceChooser>(hosts),
                                           std::move(folders), std::move(converter));
}

} // namespace clipvane
