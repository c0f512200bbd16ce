#pragma once

#include "platform/childprocess.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace clipvane {

// Runs the converter as a hidden child whose standard output and error come
// back through one pipe, drains the pipe when asked, and reads the clip's
// duration and the time encoded so far out of everything printed since Run.
class Tmpegconverter
{
public:
    // What the program does when the pipe or the process cannot be made: by
    // default the message, then the end of the program. Tests put their own.
    using FatalHandler = std::function<void(const std::string& message)>;

    Tmpegconverter();
    ~Tmpegconverter();
    Tmpegconverter(const Tmpegconverter&) = delete;
    Tmpegconverter& operator=(const Tmpegconverter&) = delete;

    void Run(const std::string& commandLine);
    void ReadOutput();
    std::pair<std::string, std::string> ParseOutput(bool WantDuration, bool WantTime) const;
    std::string GetDuration() const;
    std::int32_t GetTime() const;
    static std::int32_t DurationToSeconds(const std::string& text);
    void Stop();
    // Lets go of a finished run: the child is reaped and the pipe closed, so
    // nothing of the run stays behind until the next one.
    void Release();

    bool Finished = false;
    platform::ChildProcess ProcessInfo;
    platform::OutputPipe Pipe; // the read end is ours; the write end is the child's stdin, stdout and stderr
    std::string Chunk;
    std::uint32_t ExitCode = 0;
    std::uint32_t BytesRead = 0;
    std::uint32_t BytesAvailable = 0;
    bool Started = false;
    std::string CommandLine;
    std::string LastChunk;
    std::string Output;

    // Set when the runner itself gave up on a silent converter: the run did
    // not end on its own, whatever is in its output file.
    bool StoppedByRunner = false;

    FatalHandler Fatal;
    // The first wait gives up on a converter that stays silent this long.
    int SilenceLimitMilliseconds = 60000;

private:
    void drain();
    bool waitIsOver() const;
    void releaseEndedRun();
};

} // namespace clipvane
