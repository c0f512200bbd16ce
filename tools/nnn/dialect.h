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

using DurationFinder = std::function<std::string(const std::string& input)>;

// The ffprobe command whose report DescribeInput reads: the container's and
// each stream's own fields, one "key=value" a line, never the file's
// metadata.
std::vector<std::string> ProbeArguments(const std::string& input);

// The input description in the old dialect, written from that report:
// "Input #0, <format>, from '<input>':", the duration line, a line a stream.
// Nothing in it is the file's own text, so a file cannot plant a line of its
// own (a metadata key may hold a line break, and ffmpeg prints keys as they
// are). A duration the container does not give comes from `finder`.
std::string DescribeInput(const std::string& probeReport, const std::string& input,
                          const DurationFinder& finder);

// The seconds of the "  Duration: HH:MM:SS.t" line of a description; -1
// when it names none ("N/A").
double DescribedSeconds(const std::string& description);

// Whether a converted file is whole: it lasts as long as its input, give or
// take what ends of streams differ by. Unknown lengths prove nothing.
bool LastsAsLongAs(double outputSeconds, double inputSeconds);

class Translator
{
public:
    explicit Translator(Command command);

    // Each returns the old dialect's text for what ffmpeg just wrote.
    std::string stderrBytes(const std::string& bytes);
    std::string finishStderr();
    std::string progressBytes(const std::string& bytes);
    std::string summary() const;

    bool unknownFormat() const { return m_unknownFormat; }
    // ffmpeg said it could not write its output (a full disk), which it
    // may say and still end with status 0.
    bool writeFailed() const { return m_writeFailed; }
    // How far into the clip ffmpeg says it has written, -1 before it says.
    double writtenSeconds() const;

private:
    std::string translateLine(const std::string& line);
    std::string progressLine() const;

    Command m_command;
    std::string m_stderrPartial;
    std::string m_progressPartial;
    std::map<std::string, std::string> m_progress;
    std::string m_summary;
    bool m_unknownFormat = false;
    bool m_writeFailed = false;
    bool m_inDescription = false; // inside ffmpeg's own input or output description
};

} // namespace nnn
