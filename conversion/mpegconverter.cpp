#include "conversion/mpegconverter.h"

#include "base/strtoint.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace clipvane {

namespace {

constexpr std::string_view kDurationMarker = "Duration: ";
constexpr std::string_view kUnknownFormat = "Unknown format";
constexpr std::string_view kTimeMarker = "time=";
constexpr std::size_t kTimeTail = 51;
constexpr std::size_t kDurationChars = 8;
constexpr int kPauseMilliseconds = 100;

void endProgram(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    std::_Exit(1);
}

std::string strip(std::string text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32)
        ++start;
    return text.substr(start);
}

std::string field(const std::string& text, std::size_t position, std::size_t length)
{
    return position < text.size() ? text.substr(position, length) : std::string();
}

} // namespace

Tmpegconverter::Tmpegconverter() : Fatal(endProgram) {}

Tmpegconverter::~Tmpegconverter()
{
    // A converter still at work when the program ends goes with it.
    if (ChildRunning(ProcessInfo))
        platform::KillChildGroup(ProcessInfo);
    releaseEndedRun();
}

void Tmpegconverter::releaseEndedRun()
{
    platform::ReapChild(ProcessInfo);
    platform::CloseOutputPipe(Pipe);
    ProcessInfo = {};
}

void Tmpegconverter::Run(const std::string& commandLine)
{
    Finished = false;
    StoppedByRunner = false;
    ExitCode = 0;
    Output.clear();
    LastChunk.clear();
    if (ChildRunning(ProcessInfo))
        platform::KillChildGroup(ProcessInfo);
    releaseEndedRun();

    if (!platform::CreateOutputPipe(Pipe)) {
        Fatal("Can not create a pipe for STDOUT!");
        return;
    }
    CommandLine = commandLine;
    Started = platform::StartChild(platform::SplitCommandLine(CommandLine), Pipe.writeEnd, ProcessInfo);
    if (!Started)
        Fatal("CreateProcess error!");
}

void Tmpegconverter::drain()
{
    BytesAvailable = static_cast<std::uint32_t>(platform::BytesWaiting(Pipe.readEnd));
    while (BytesAvailable > 0) {
        Chunk.assign(BytesAvailable, '\0');
        BytesRead = static_cast<std::uint32_t>(platform::ReadBytes(Pipe.readEnd, Chunk.data(), Chunk.size()));
        Chunk.resize(BytesRead);
        LastChunk = Chunk;
        for (char& c : LastChunk)
            if (c == '\0')
                c = ' ';
        Output += LastChunk;
        BytesAvailable = static_cast<std::uint32_t>(platform::BytesWaiting(Pipe.readEnd));
    }
}

// The wait ends at an input the converter cannot identify, or once the whole
// duration line is there: the marker alone may arrive before its value.
bool Tmpegconverter::waitIsOver() const
{
    if (Output.find(kUnknownFormat) != std::string::npos)
        return true;
    const auto marker = Output.find(kDurationMarker);
    return marker != std::string::npos && Output.find('\n', marker) != std::string::npos;
}

void Tmpegconverter::ReadOutput()
{
    auto lastNews = std::chrono::steady_clock::now();
    for (;;) {
        if (!ChildRunning(ProcessInfo)) {
            ExitCode = static_cast<std::uint32_t>(ProcessInfo.exitCode);
            Finished = true;
            return;
        }
        const std::size_t before = Output.size();
        drain();
        if (waitIsOver())
            return;
        const auto now = std::chrono::steady_clock::now();
        if (Output.size() != before)
            lastNews = now;
        else if (now - lastNews >= std::chrono::milliseconds(SilenceLimitMilliseconds)) {
            // A converter that hangs must not freeze the program for ever.
            Stop();
            StoppedByRunner = true;
            return;
        }
        platform::PauseMilliseconds(kPauseMilliseconds);
    }
}

std::pair<std::string, std::string> Tmpegconverter::ParseOutput(bool WantDuration, bool WantTime) const
{
    std::string durationText = "00:00:00";
    std::string timeText = "0";
    if (WantDuration) {
        if (const auto marker = Output.find(kDurationMarker); marker != std::string::npos)
            durationText = strip(Output.substr(marker + kDurationMarker.size(), kDurationChars));
    }
    if (WantTime) {
        const std::string tail = Output.size() > kTimeTail ? Output.substr(Output.size() - kTimeTail) : Output;
        if (const auto marker = tail.find(kTimeMarker); marker != std::string::npos) {
            const std::string rest = tail.substr(marker + kTimeMarker.size());
            const auto point = rest.find('.');
            timeText = point == std::string::npos ? std::string() : rest.substr(0, point);
        }
    }
    return {durationText, timeText};
}

std::string Tmpegconverter::GetDuration() const
{
    return ParseOutput(true, false).first;
}

std::int32_t Tmpegconverter::GetTime() const
{
    return StrToInt(ParseOutput(false, true).second);
}

std::int32_t Tmpegconverter::DurationToSeconds(const std::string& text)
{
    const std::int32_t hours = StrToInt(field(text, 0, 2));
    const std::int32_t minutes = StrToInt(field(text, 3, 2));
    const std::int32_t seconds = StrToInt(field(text, 6, 2));
    return hours * 3600 + minutes * 60 + seconds;
}

void Tmpegconverter::Release()
{
    if (ChildRunning(ProcessInfo))
        platform::KillChildGroup(ProcessInfo);
    releaseEndedRun();
}

void Tmpegconverter::Stop()
{
    platform::KillChildGroup(ProcessInfo);
    platform::CloseOutputPipe(Pipe);
    Finished = true;
}

} // namespace clipvane
