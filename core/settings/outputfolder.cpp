#include "core/settings/outputfolder.h"

#include "platform/folders.h"

namespace clipvane {

std::string NormalizeOutputFolder(const std::string& text)
{
    std::string result = text.empty() ? platform::HomeFolder() : text;
    if (result.back() != '/')
        result += '/';
    return result;
}

std::string OutputFolderProblem(const std::string& folder)
{
    const std::string quoted = "\"" + folder + "\"";
    if (platform::FileExists(folder.size() > 1 && folder.back() == '/'
                                 ? folder.substr(0, folder.size() - 1)
                                 : folder))
        return "The output folder " + quoted + " is a file, not a folder. Please choose a folder.";
    if (!platform::FolderExists(folder))
        return "The output folder " + quoted + " does not exist. Please choose another one.";
    if (!platform::FolderWritable(folder))
        return "The output folder " + quoted + " cannot be written to. Please choose another one.";
    return {};
}

} // namespace clipvane
