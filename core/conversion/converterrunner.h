#pragma once

#include "platform/childprocess.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace clipvane {

// Runs the converter as a hidden child whose standard output and error come
// back through one pipe, drains the pipe when asked and, with an event loop
// running, whenever something arrives (a converter that has to wait for its
// reader goes no faster than the reader), and reads the clip's duration and
// the time encoded so far out of everything printed since run().
class ConverterRunner
{
public:
    // What the program does when the pipe or the process cannot be made: by
    // default the message, then the end of the program. Front ends and tests
    // put their own.
    using FatalHandler = std::function<void(const std::string& message)>;

    ConverterRunner();
    ~ConverterRunner();
    ConverterRunner(const ConverterRunner&) = delete;
    ConverterRunner& operator=(const ConverterRunner&) = delete;

    void setFatalHandler(FatalHandler handler) { m_fatal = std::move(handler); }
    // Called from the event loop once the converter's output has ended (it
    // has gone, or is going): the time to look whether it has finished.
    void setEndedHandler(std::function<void()> handler) { m_endedHandler = std::move(handler); }
    // The first wait gives up on a converter that stays silent this long.
    void setSilenceLimit(int milliseconds) { m_silenceLimitMilliseconds = milliseconds; }

    void run(const std::string& commandLine);
    // Drains the pipe. The first call after run() also waits until the
    // converter has printed the clip's whole duration line (or said it cannot
    // read the input), or has ended. A converter found ended is finished only
    // once everything it wrote has been read.
    void readOutput();
    void stop();
    // Lets go of a finished run: the child is reaped and the pipe closed, so
    // nothing of the run stays behind until the next one.
    void release();

    std::string duration() const;     // the duration text of the output so far
    std::int32_t timeSeconds() const; // the encoded time; raises for a bad text

    bool started() const { return m_started; }
    bool finished() const { return m_finished; }
    std::uint32_t exitCode() const { return m_exitCode; }
    // Set when the runner itself gave up on a silent converter: the run did
    // not end on its own, whatever is in its output file.
    bool stoppedByRunner() const { return m_stoppedByRunner; }
    const std::string& output() const { return m_output; }
    const std::string& commandLine() const { return m_commandLine; }
    int processId() const { return m_process.pid; }
    bool pipeOpen() const { return m_pipe.readEnd >= 0; }

private:
    void drain();
    void watchPipe();
    void stopWatchingPipe();
    bool waitIsOver() const;
    void releaseEndedRun();

    platform::ChildProcess m_process;
    platform::OutputPipe
        m_pipe; // the read end is ours; the write end is the child's stdin, stdout and stderr
    std::unique_ptr<QSocketNotifier> m_pipeWatch;
    std::string m_commandLine;
    std::string m_output;
    std::uint32_t m_exitCode = 0;
    bool m_started = false;
    bool m_finished = false;
    bool m_stoppedByRunner = false;
    FatalHandler m_fatal;
    std::function<void()> m_endedHandler;
    int m_silenceLimitMilliseconds = 60000;
};

} // namespace clipvane
