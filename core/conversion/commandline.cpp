#include "core/conversion/commandline.h"

namespace clipvane {

// Quoted the way Windows programs split their command line back: a quote
// gets a backslash, and backslashes right before a quote (or before the
// closing one) are doubled, so each comes back as written.
std::string CommandLinePath(const std::string& path)
{
    if (!path.empty() && path.find_first_of(" \t\"") == std::string::npos)
        return path;
    std::string quoted = "\"";
    std::size_t slashes = 0;
    for (const char c : path) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"')
            quoted.append(2 * slashes + 1, '\\');
        else
            quoted.append(slashes, '\\');
        slashes = 0;
        quoted += c;
    }
    quoted.append(2 * slashes, '\\');
    return quoted + "\"";
}

std::string ConverterCommandLine(const std::string& toolFolder, const std::string& tempFolder)
{
    return CommandLinePath(toolFolder + "nnn.exe") + " -i " +
           CommandLinePath(tempFolder + "temp.flv") + kProfileOptions +
           CommandLinePath(tempFolder + "temp.avi");
}

} // namespace clipvane
