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

std::vector<std::string> SplitCommandLine(const std::string& line)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    argument.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    argument += '"'; // a doubled quote inside quotes stands for one
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

} // namespace clipvane
