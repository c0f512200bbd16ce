#include "core/conversion/commandline.h"

namespace clipvane {

std::string CommandLinePath(const std::string& path)
{
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

std::string ConverterCommandLine(const std::string& toolFolder, const std::string& tempFolder)
{
    return CommandLinePath(toolFolder + "nnn.exe") + " -i " +
           CommandLinePath(tempFolder + "temp.flv") + kProfileOptions +
           CommandLinePath(tempFolder + "temp.avi");
}

} // namespace clipvane
