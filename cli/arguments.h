#pragma once

#include "core/conversion/outputformat.h"
#include "core/download/hlsdownload.h"

#include <istream>
#include <string>
#include <vector>

namespace clipvane {

// What clipvane-cli was asked to do.
struct CliArguments
{
    std::vector<std::string> addresses; // in the order given, the batch file's after the others
    std::string folder;                 // empty: the default output folder
    std::string batchFile;              // "-" for standard input
    OutputFormat format = OutputFormat::Avi;
    int connections = kDefaultConnections; // 1 to 16
    bool json = false;
    bool help = false;
    bool version = false;
    std::string error; // not empty: wrong use, and why
};

// `[OPTIONS] ADDRESS... [-o FOLDER]`; as before, a last argument that is not
// an http or https address is the folder when no -o names one.
CliArguments ParseArguments(const std::vector<std::string>& arguments);

// The addresses of a batch: one a line, blanks around them dropped, blank
// lines and lines starting with "#" skipped.
std::vector<std::string> ReadBatchLines(std::istream& in);

} // namespace clipvane
