#include "dialect.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace nnn {

namespace {

const std::vector<std::string> kValueOptions = {"-vcodec", "-vtag", "-qscale", "-b",  "-s",
                                                "-acodec", "-ac",   "-ar",     "-ab", "-f"};

bool isNumber(const std::string& text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The old build read -b and -ab in bits per second; the profile's 320 and 64
// only make sense as kilobits, which is what the profile asks for.
std::string bitRate(const std::string& value)
{
    if (isNumber(value) && std::strtol(value.c_str(), nullptr, 10) < 1000)
        return value + "k";
    return value;
}

int indentOf(const std::string& line)
{
    int n = 0;
    while (n < static_cast<int>(line.size()) && line[static_cast<std::size_t>(n)] == ' ')
        ++n;
    return n;
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "#0:1" becomes "#0.1", as the old build wrote stream numbers.
std::string oldStreamNumbers(std::string line)
{
    for (std::size_t i = 0; i + 2 < line.size(); ++i) {
        if (line[i] == '#' && std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
            std::size_t j = i + 1;
            while (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j])))
                ++j;
            if (j + 1 < line.size() && line[j] == ':' &&
                std::isdigit(static_cast<unsigned char>(line[j + 1])))
                line[j] = '.';
        }
    }
    return line;
}

double number(const std::string& text, const std::string& key, bool* found = nullptr)
{
    const auto at = text.find(key);
    if (found)
        *found = at != std::string::npos;
    if (at == std::string::npos)
        return 0;
    return std::strtod(text.c_str() + at + key.size(), nullptr);
}

} // namespace

std::string ParseCommand(const std::vector<std::string>& arguments, Command& command)
{
    command = {};
    bool afterInput = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "-y") {
            command.overwrite = true;
        } else if (a == "-i") {
            if (i + 1 >= arguments.size())
                return "Argument for option '-i' is missing";
            command.input = arguments[++i];
            afterInput = true;
        } else if (a.size() > 1 && a[0] == '-') {
            bool known = false;
            for (const std::string& o : kValueOptions)
                known = known || o == a;
            if (!known)
                return "unrecognized option '" + a + "'";
            if (i + 1 >= arguments.size())
                return "Argument for option '" + a + "' is missing";
            if (!afterInput)
                return "option '" + a + "' before the input is not supported";
            command.options.emplace_back(a, arguments[++i]);
        } else if (!afterInput) {
            return "the input file must be given with -i";
        } else {
            command.output = a;
        }
    }
    if (command.input.empty())
        return "usage: nnn.exe [-y] -i input [options] output";
    if (command.output.empty())
        return "At least one output file must be specified";
    return {};
}

std::string FileUrl(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return "file:" + path;
    char cwd[4096];
    const std::string base = ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string(".");
    return "file:" + base + "/" + path;
}

std::vector<std::string> FfmpegArguments(const Command& command)
{
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-nostdin", "-nostats", "-loglevel",
        "info",   "-progress",    "pipe:3",   "-i",       FileUrl(command.input)};
    bool fixedQuantiser = false;
    for (const auto& [option, value] : command.options)
        fixedQuantiser = fixedQuantiser || option == "-qscale";
    for (const auto& [option, value] : command.options) {
        if (option == "-vcodec")
            args.insert(args.end(), {"-c:v", value});
        else if (option == "-vtag")
            args.insert(args.end(), {"-tag:v", value});
        else if (option == "-qscale")
            args.insert(args.end(), {"-q:v", value});
        else if (option == "-b" && !fixedQuantiser) // the quantiser decides the rate
            args.insert(args.end(), {"-b:v", bitRate(value)});
        else if (option == "-s")
            args.insert(args.end(), {"-s", value});
        else if (option == "-acodec")
            args.insert(args.end(), {"-c:a", value == "mp3" ? std::string("libmp3lame") : value});
        else if (option == "-ac" || option == "-ar")
            args.insert(args.end(), {option, value});
        else if (option == "-ab")
            args.insert(args.end(), {"-b:a", bitRate(value)});
        else if (option == "-f")
            args.insert(args.end(), {"-f", value});
    }
    // Our own question about an existing output has been asked by now.
    args.insert(args.end(), {"-y", FileUrl(command.output)});
    return args;
}

std::string FormatDuration(double seconds)
{
    if (!(seconds >= 0))
        seconds = 0;
    // A hostile file may claim any duration; beyond this it no longer fits
    // the integer arithmetic below (found by fuzzing).
    constexpr double kLongest = 1e12;
    if (seconds > kLongest)
        seconds = kLongest;
    const long long tenths = static_cast<long long>(std::floor(seconds * 10 + 1e-6));
    const long long whole = tenths / 10;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%01lld", whole / 3600, (whole / 60) % 60,
                  whole % 60, tenths % 10);
    return text;
}

std::string DurationFromPacketList(const std::string& csv)
{
    std::istringstream lines(csv);
    std::string line;
    double end = -1;
    while (std::getline(lines, line)) {
        char* rest = nullptr;
        const double pts = std::strtod(line.c_str(), &rest);
        if (rest == line.c_str())
            continue;
        double duration = 0;
        if (*rest == ',')
            duration = std::strtod(rest + 1, nullptr);
        end = std::max(end, pts + duration);
    }
    return end > 0 ? FormatDuration(end) : std::string();
}

std::vector<std::string> ProbeArguments(const std::string& input)
{
    const std::string entries = "format=format_name,duration,start_time,bit_rate:"
                                "stream=index,codec_type,codec_name,pix_fmt,width,height,"
                                "sample_rate,channels,channel_layout,bit_rate";
    return {"ffprobe", "-v", "error", "-show_entries", entries, "-of", "default", FileUrl(input)};
}

namespace {

// A field of the report as it may stand in a line of ours: printable ASCII
// and nothing that ends or quotes a line.
std::string printable(const std::string& value)
{
    std::string out;
    for (const char c : value.substr(0, 64)) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || u > 0x7E || c == '\'') ? '?' : c;
    }
    return out;
}

bool known(const std::map<std::string, std::string>& fields, const std::string& key)
{
    const auto it = fields.find(key);
    return it != fields.end() && !it->second.empty() && it->second != "N/A" &&
           it->second != "unknown";
}

double numberField(const std::map<std::string, std::string>& fields, const std::string& key)
{
    return known(fields, key) ? std::strtod(fields.at(key).c_str(), nullptr) : 0;
}

// A rate in kb/s; a hostile file may claim any number, and it must fit.
std::string kilobitsPerSecond(double bitsPerSecond)
{
    if (!(bitsPerSecond > 0))
        bitsPerSecond = 0;
    if (bitsPerSecond > 1e15)
        bitsPerSecond = 1e15;
    return std::to_string(static_cast<long long>(bitsPerSecond / 1000)) + " kb/s";
}

std::string streamLine(std::map<std::string, std::string>& stream)
{
    const std::string type = stream["codec_type"];
    std::string line = "  Stream #0." + printable(stream["index"]) + ": ";
    std::vector<std::string> parts;
    parts.push_back(known(stream, "codec_name") ? printable(stream["codec_name"])
                                                : std::string("unknown"));
    if (type == "video") {
        line += "Video: ";
        if (known(stream, "pix_fmt"))
            parts.push_back(printable(stream["pix_fmt"]));
        if (known(stream, "width") && known(stream, "height"))
            parts.push_back(printable(stream["width"]) + "x" + printable(stream["height"]));
    } else if (type == "audio") {
        line += "Audio: ";
        if (known(stream, "sample_rate"))
            parts.push_back(printable(stream["sample_rate"]) + " Hz");
        if (known(stream, "channel_layout"))
            parts.push_back(printable(stream["channel_layout"]));
        else if (known(stream, "channels"))
            parts.push_back(printable(stream["channels"]) + " channels");
    } else {
        line += (type.empty() ? std::string("Data") : printable(type)) + ": ";
    }
    if (known(stream, "bit_rate"))
        parts.push_back(kilobitsPerSecond(numberField(stream, "bit_rate")));
    for (std::size_t i = 0; i < parts.size(); ++i)
        line += (i ? ", " : "") + parts[i];
    return line + "\n";
}

} // namespace

std::string DescribeInput(const std::string& probeReport, const std::string& input,
                          const DurationFinder& finder)
{
    std::map<std::string, std::string> format;
    std::vector<std::map<std::string, std::string>> streams;
    std::map<std::string, std::string>* section = nullptr;
    std::istringstream lines(probeReport);
    std::string line;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]") {
            streams.emplace_back();
            section = &streams.back();
        } else if (line == "[FORMAT]") {
            section = &format;
        } else if (!line.empty() && line[0] == '[') {
            section = nullptr; // a section's end
        } else if (const auto equals = line.find('='); section && equals != std::string::npos) {
            (*section)[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }

    std::string duration = "N/A";
    if (known(format, "duration"))
        duration = FormatDuration(numberField(format, "duration"));
    else if (finder)
        if (const std::string found = finder(input); !found.empty())
            duration = found;
    char start[64];
    std::snprintf(start, sizeof start, "%f", numberField(format, "start_time"));
    const std::string bitrate = known(format, "bit_rate")
                                    ? kilobitsPerSecond(numberField(format, "bit_rate"))
                                    : std::string("N/A");

    std::string text =
        "Input #0, " +
        (known(format, "format_name") ? printable(format["format_name"]) : "unknown") + ", from '" +
        input + "':\n";
    text += "  Duration: " + duration + ", start: " + start + ", bitrate: " + bitrate + "\n";
    for (auto& stream : streams)
        text += streamLine(stream);
    return text;
}

double DescribedSeconds(const std::string& description)
{
    const std::string marker = "  Duration: ";
    const auto at = description.find(marker);
    if (at == std::string::npos)
        return -1;
    int hours = 0, minutes = 0, seconds = 0, tenths = 0;
    if (std::sscanf(description.c_str() + at + marker.size(), "%d:%d:%d.%d", &hours, &minutes,
                    &seconds, &tenths) != 4)
        return -1;
    return hours * 3600.0 + minutes * 60.0 + seconds + tenths / 10.0;
}

bool LastsAsLongAs(double outputSeconds, double inputSeconds)
{
    constexpr double kSlackSeconds = 2.0;
    if (inputSeconds <= 0)
        return true;
    return outputSeconds >= 0 && outputSeconds + kSlackSeconds >= inputSeconds;
}

Translator::Translator(Command command) : m_command(std::move(command)) {}

std::string Translator::stderrBytes(const std::string& bytes)
{
    m_stderrPartial += bytes;
    std::string out;
    std::size_t start = 0;
    // ffmpeg ends its own stats line with a carriage return, so both end a line.
    for (std::size_t end; (end = m_stderrPartial.find_first_of("\r\n", start)) != std::string::npos;
         start = end + 1) {
        const std::string line = m_stderrPartial.substr(start, end - start);
        if (!line.empty())
            out += translateLine(line);
    }
    m_stderrPartial.erase(0, start);
    return out;
}

std::string Translator::finishStderr()
{
    std::string line;
    line.swap(m_stderrPartial);
    return line.empty() ? std::string() : translateLine(line);
}

std::string Translator::translateLine(const std::string& line)
{
    // ffmpeg's own description of the input and the output holds the file's
    // metadata as it is stored; the description we print comes from ffprobe
    // instead, so all of it goes, up to and with the stream mapping.
    const bool indented = !line.empty() && line[0] == ' ';
    if (startsWith(line, "Input #") || startsWith(line, "Output #") ||
        startsWith(line, "Stream mapping:")) {
        m_inDescription = true;
        return {};
    }
    if (m_inDescription && indented)
        return {};
    m_inDescription = false;
    // Whatever else carries a marker the runner reads is not ffmpeg's news
    // about this conversion: our description and progress lines give them.
    if (line.find("Duration: ") != std::string::npos || line.find("time=") != std::string::npos)
        return {};
    if (line.find("Invalid data found when processing input") != std::string::npos) {
        if (m_unknownFormat)
            return {};
        m_unknownFormat = true;
        return m_command.input + ": Unknown format\n";
    }
    if (startsWith(line, "video:") && line.find("muxing overhead") != std::string::npos) {
        m_summary = line;
        return {};
    }
    if (line == "At least one output file must be specified")
        return {};
    if (line.find("No space left on device") != std::string::npos ||
        line.find("Disk quota exceeded") != std::string::npos ||
        startsWith(line, "Error writing trailer") ||
        startsWith(line, "av_interleaved_write_frame()"))
        m_writeFailed = true;
    // ffmpeg's own stats line: the progress comes from the progress pipe in
    // the old form.
    const std::string body = line.substr(static_cast<std::size_t>(indentOf(line)));
    if (startsWith(body, "frame=") || startsWith(body, "size="))
        return {};
    return oldStreamNumbers(line) + "\n";
}

std::string Translator::progressBytes(const std::string& bytes)
{
    m_progressPartial += bytes;
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; (end = m_progressPartial.find('\n', start)) != std::string::npos;
         start = end + 1) {
        const std::string line = m_progressPartial.substr(start, end - start);
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = line.substr(0, equals);
        m_progress[key] = line.substr(equals + 1);
        if (key == "progress")
            out += progressLine();
    }
    m_progressPartial.erase(0, start);
    return out;
}

namespace {

// A count as the old dialect prints it; whatever ffmpeg reports, it must fit.
int wholeNumber(double value)
{
    if (!(value > -2e9))
        return value != value ? 0 : -2000000000; // NaN reads as nothing
    if (value > 2e9)
        return 2000000000;
    return static_cast<int>(value);
}

} // namespace

std::string Translator::progressLine() const
{
    auto value = [this](const char* key) -> double {
        const auto it = m_progress.find(key);
        return it == m_progress.end() ? 0 : std::strtod(it->second.c_str(), nullptr);
    };
    const double q = value("stream_0_0_q");
    const double seconds = value("out_time_us") / 1e6;
    char text[256];
    std::snprintf(text, sizeof text,
                  "frame=%5d fps=%3d q=%3.1f size=%8.0fkB time=%0.1f bitrate=%6.1fkbits/s",
                  wholeNumber(value("frame")), wholeNumber(value("fps")), q,
                  value("total_size") / 1024, seconds, value("bitrate"));
    std::string line = text;
    const int dup = wholeNumber(value("dup_frames"));
    const int drop = wholeNumber(value("drop_frames"));
    if (dup != 0 || drop != 0)
        line += " dup=" + std::to_string(dup) + " drop=" + std::to_string(drop);
    return line + "    \r";
}

double Translator::writtenSeconds() const
{
    const auto it = m_progress.find("out_time_us");
    if (it == m_progress.end())
        return -1;
    char* end = nullptr;
    const double micro = std::strtod(it->second.c_str(), &end);
    return end == it->second.c_str() ? -1 : micro / 1e6;
}

std::string Translator::summary() const
{
    if (m_summary.empty())
        return {};
    bool found = false;
    const double overhead = number(m_summary, "muxing overhead: ", &found);
    char text[256];
    std::snprintf(text, sizeof text,
                  "\nvideo:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\n",
                  number(m_summary, "video:"), number(m_summary, "audio:"),
                  number(m_summary, "global headers:"), found ? overhead : 0.0);
    return text;
}

} // namespace nnn
