#include "core/conversion/converterrunner.h"

#include "core/conversion/consoleoutput.h"

#include <QSocketNotifier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace clipvane {

namespace {

constexpr std::string_view kDurationMarker = "Duration: ";
constexpr std::string_view kUnknownFormat = "Unknown format";
constexpr int kPauseMilliseconds = 100;
// A converter may print warnings without end; what lies between the start
// (the input description) and the latest lines matters to nobody.
constexpr std::size_t kLongestOutput = 1024 * 1024;
constexpr std::size_t kKeptHead = 256 * 1024;
constexpr std::size_t kKeptTail = 256 * 1024;

void endProgram(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    std::_Exit(1);
}

} // namespace

ConverterRunner::ConverterRunner() : m_fatal(endProgram) {}

ConverterRunner::~ConverterRunner()
{
    // A converter still at work when the program ends goes with it.
    if (ChildRunning(m_process))
        platform::KillChildGroup(m_process);
    releaseEndedRun();
}

void ConverterRunner::watchPipe()
{
    m_pipeWatch = std::make_unique<QSocketNotifier>(m_pipe.readEnd, QSocketNotifier::Read);
    QObject::connect(m_pipeWatch.get(), &QSocketNotifier::activated, m_pipeWatch.get(), [this] {
        if (platform::BytesWaiting(m_pipe.readEnd) > 0) {
            drain();
            return;
        }
        // Readable with nothing to read: every writer has gone.
        m_pipeWatch->setEnabled(false);
        if (m_endedHandler)
            m_endedHandler();
    });
}

void ConverterRunner::stopWatchingPipe()
{
    m_pipeWatch.reset();
}

void ConverterRunner::releaseEndedRun()
{
    stopWatchingPipe();
    platform::ReapChild(m_process);
    platform::CloseOutputPipe(m_pipe);
    m_process = {};
}

void ConverterRunner::run(const std::string& commandLine)
{
    m_finished = false;
    m_stoppedByRunner = false;
    m_exitCode = 0;
    m_output.clear();
    if (ChildRunning(m_process))
        platform::KillChildGroup(m_process);
    releaseEndedRun();

    if (!platform::CreateOutputPipe(m_pipe)) {
        m_fatal("Can not create a pipe for STDOUT!");
        return;
    }
    m_commandLine = commandLine;
    m_started =
        platform::StartChild(platform::SplitCommandLine(m_commandLine), m_pipe.writeEnd, m_process);
    if (!m_started) {
        m_fatal("CreateProcess error!");
        return;
    }
    platform::CloseWriteEnd(m_pipe);
    watchPipe();
}

void ConverterRunner::drain()
{
    std::string chunk;
    for (std::size_t waiting = platform::BytesWaiting(m_pipe.readEnd); waiting > 0;
         waiting = platform::BytesWaiting(m_pipe.readEnd)) {
        chunk.assign(waiting, '\0');
        chunk.resize(platform::ReadBytes(m_pipe.readEnd, chunk.data(), chunk.size()));
        // The console text is searched as text: a NUL must not end it early.
        for (char& c : chunk)
            if (c == '\0')
                c = ' ';
        m_output += chunk;
    }
    if (m_output.size() > kLongestOutput)
        m_output.erase(kKeptHead, m_output.size() - kKeptHead - kKeptTail);
}

// The wait ends at an input the converter cannot identify, or once the whole
// duration line is there: the marker alone may arrive before its value.
bool ConverterRunner::waitIsOver() const
{
    if (m_output.find(kUnknownFormat) != std::string::npos)
        return true;
    const auto marker = m_output.find(kDurationMarker);
    return marker != std::string::npos && m_output.find('\n', marker) != std::string::npos;
}

void ConverterRunner::readOutput()
{
    auto lastNews = std::chrono::steady_clock::now();
    for (;;) {
        if (!ChildRunning(m_process)) {
            // What it wrote before it ended is all in the pipe by now.
            drain();
            m_exitCode = static_cast<std::uint32_t>(m_process.exitCode);
            m_finished = true;
            return;
        }
        const std::size_t before = m_output.size();
        drain();
        if (waitIsOver())
            return;
        const auto now = std::chrono::steady_clock::now();
        if (m_output.size() != before)
            lastNews = now;
        else if (now - lastNews >= std::chrono::milliseconds(m_silenceLimitMilliseconds)) {
            // A converter that hangs must not freeze the program for ever.
            stop();
            m_stoppedByRunner = true;
            return;
        }
        platform::PauseMilliseconds(kPauseMilliseconds);
    }
}

std::string ConverterRunner::duration() const
{
    return DurationText(m_output);
}

std::int32_t ConverterRunner::timeSeconds() const
{
    return EncodedSeconds(m_output);
}

void ConverterRunner::release()
{
    if (ChildRunning(m_process))
        platform::KillChildGroup(m_process);
    releaseEndedRun();
}

void ConverterRunner::stop()
{
    stopWatchingPipe();
    platform::KillChildGroup(m_process);
    platform::CloseOutputPipe(m_pipe);
    m_finished = true;
}

} // namespace clipvane
