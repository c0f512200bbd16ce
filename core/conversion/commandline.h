#pragma once

#include <string>
#include <vector>

namespace clipvane {

// The converter's one command line: the tool, the downloaded FLV, the fixed
// profile options and the AVI to write. Paths stand unquoted unless they hold
// a blank, a tab or a quote (a Linux home folder may hold any of them).
std::string ConverterCommandLine(const std::string& toolFolder, const std::string& tempFolder);

// The fixed options between input and output, blanks at both ends included.
inline constexpr const char* kProfileOptions =
    " -vcodec mpeg4 -vtag divx -qscale 6 -b 320 -s 320x240  -acodec mp3 -ac 1 -ar 44100 -ab 64 -f "
    "avi ";

// A path as one token of a command line, split back unchanged by the
// Windows rules; the empty path becomes "".
std::string CommandLinePath(const std::string& path);

// Splits a command line the way Windows programs split theirs: blanks and
// tabs separate, double quotes group, and backslashes escape a quote only
// when they stand right before one. The converter's command line is written
// by these rules, and the converter is started from its parts.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace clipvane
