#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// The translation between the old converter's command line and console
// dialect and what today's ffmpeg takes and prints.
namespace nnn {

struct Command
{
    std::string input;
    std::string output;
    bool overwrite = false;                                   // -y
    std::vector<std::pair<std::string, std::string>> options; // in the order given
};

// Empty when the command line is one the adapter understands, else what the
// old converter would have said about it.
std::string ParseCommand(const std::vector<std::string>& arguments, Command& command);

// "file:" and an absolute path: a name can be read neither as an option nor
// as another protocol.
std::string FileUrl(const std::string& path);

std::vector<std::string> FfmpegArguments(const Command& command);

// "HH:MM:SS.t" with tenths cut off, never rounded.
std::string FormatDuration(double seconds);

// The end of the last packet of a "pts_time,duration_time" list, formatted;
// empty when the list gives none.
std::string DurationFromPacketList(const std::string& csv);

class Translator
{
public:
    using DurationFinder = std::function<std::string(const std::string& input)>;
    Translator(Command command, DurationFinder finder);

    // Each returns the old dialect's text for what ffmpeg just wrote.
    std::string stderrBytes(const std::string& bytes);
    std::string finishStderr();
    std::string progressBytes(const std::string& bytes);
    std::string summary() const;

    bool unknownFormat() const { return m_unknownFormat; }

private:
    std::string translateLine(const std::string& line);
    std::string progressLine() const;

    Command m_command;
    DurationFinder m_finder;
    std::string m_stderrPartial;
    std::string m_progressPartial;
    std::map<std::string, std::string> m_progress;
    std::string m_summary;
    bool m_unknownFormat = false;
    int m_metadataIndent = -1; // the "Metadata:" block being skipped, by its indent
};

} // namespace nnn
