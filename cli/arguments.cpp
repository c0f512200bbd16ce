#include "cli/arguments.h"

#include "core/source/internet.h"

namespace clipvane {

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

CliArguments ParseArguments(const std::vector<std::string>& arguments)
{
    CliArguments parsed;
    std::vector<std::string> positional;
    bool folderGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](const char* option) -> std::string {
            if (i + 1 >= arguments.size()) {
                parsed.error = std::string(option) + " needs a value";
                return {};
            }
            return arguments[++i];
        };
        if (a == "--help" || a == "-h") {
            parsed.help = true;
        } else if (a == "--version") {
            parsed.version = true;
        } else if (a == "--json") {
            parsed.json = true;
        } else if (a == "-o" || a == "--output") {
            parsed.folder = value("-o");
            folderGiven = true;
        } else if (a == "--batch") {
            parsed.batchFile = value("--batch");
        } else if (a == "--connections" || a.rfind("--connections=", 0) == 0) {
            const std::string count = a == "--connections" ? value("--connections") : a.substr(14);
            if (!parsed.error.empty())
                return parsed;
            const bool digits = !count.empty() && count.size() <= 2 &&
                                count.find_first_not_of("0123456789") == std::string::npos;
            const int n = digits ? std::stoi(count) : 0;
            if (n < 1 || n > 16)
                parsed.error = "--connections takes a number from 1 to 16, not " + count;
            else
                parsed.connections = n;
        } else if (a == "--format" || a.rfind("--format=", 0) == 0) {
            const std::string word = a == "--format" ? value("--format") : a.substr(9);
            if (!parsed.error.empty())
                return parsed;
            if (const std::optional<OutputFormat> format = FormatOfWord(word))
                parsed.format = *format;
            else
                parsed.error = "unknown format " + word + " (avi, mp4 or original)";
        } else if (a == "--") {
            positional.insert(positional.end(), arguments.begin() + static_cast<long>(i) + 1,
                              arguments.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            parsed.error = "unknown option " + a;
        } else {
            positional.push_back(a);
        }
        if (!parsed.error.empty())
            return parsed;
    }
    // clipvane-cli ADDRESS FOLDER, as it always was.
    if (!folderGiven && positional.size() >= 2 && !IsWebAddress(positional.back())) {
        parsed.folder = positional.back();
        positional.pop_back();
    }
    parsed.addresses = positional;
    return parsed;
}

std::vector<std::string> ReadBatchLines(std::istream& in)
{
    std::vector<std::string> addresses;
    for (std::string line; std::getline(in, line);) {
        const std::string address = trimmed(line);
        if (!address.empty() && address[0] != '#')
            addresses.push_back(address);
    }
    return addresses;
}

} // namespace clipvane
