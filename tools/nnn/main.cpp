// nnn.exe: the converter Clipvane runs. It takes the old converter's command
// line, has the installed ffmpeg do the work, and speaks the old console
// dialect back: the input description with its duration line, the progress
// lines (each ended by four blanks and a carriage return), the closing
// summary, "Unknown format", and the overwrite question.
#include "dialect.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace nnn;

constexpr const char* kAdapterVersionName = "clipvane-nnn-adapter";

void say(const std::string& text)
{
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(2, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Starts a program with its stderr (and, when asked, fd 3) on pipes of ours;
// it dies with us even if our whole group is not killed.
pid_t spawn(const std::vector<std::string>& arguments, int stderrWrite, int progressWrite,
            int stdoutWrite)
{
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(stdoutWrite >= 0 ? stdoutWrite : null, 1);
    ::dup2(stderrWrite >= 0 ? stderrWrite : null, 2);
    if (progressWrite >= 0)
        ::dup2(progressWrite, 3);
    std::vector<char*> argv;
    std::vector<std::string> copies = arguments;
    argv.reserve(copies.size() + 1);
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status)
                             : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

// The duration of an input whose container names none: the end of its last
// packet, read without decoding anything.
std::string LastPacketDuration(const std::string& input)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = spawn({"ffprobe", "-v", "error", "-show_entries",
                             "packet=pts_time,duration_time", "-of", "csv=p=0", FileUrl(input)},
                            -1, -1, out[1]);
    ::close(out[1]);
    std::string text;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    waitFor(pid);
    return DurationFromPacketList(text);
}

// How long the converted file lasts, -1 when it cannot be read.
double OutputSeconds(const std::string& output)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = spawn({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                             "csv=p=0", FileUrl(output)},
                            -1, -1, out[1]);
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    if (waitFor(pid) != 0)
        return -1;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str())
        return seconds;
    // No duration in the container: the end of its last packet.
    const std::string found = LastPacketDuration(output);
    return found.empty() ? -1 : DescribedSeconds("  Duration: " + found);
}

// Reads everything from `fd` until its end, then closes it.
std::string ReadAll(int fd)
{
    std::string text;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return text;
}

// ffprobe's report on the input, started now and read by the caller.
struct Probe
{
    pid_t pid = -1;
    int out = -1;
};

Probe StartProbe(const Command& command)
{
    Probe probe;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return probe;
    probe.pid = spawn(ProbeArguments(command.input), -1, -1, out[1]);
    ::close(out[1]);
    if (probe.pid < 0) {
        ::close(out[0]);
        return probe;
    }
    probe.out = out[0];
    return probe;
}

// The old dialect's input description, or "Unknown format" when ffprobe
// cannot read the input (it exists: that was looked at first).
std::string FinishProbe(const Command& command, const std::string& report, int status,
                        bool& unknown)
{
    unknown = status != 0;
    if (unknown)
        return command.input + ": Unknown format\n";
    return DescribeInput(report, command.input, LastPacketDuration);
}

std::string DescribeOnly(const Command& command, bool& unknown)
{
    const Probe probe = StartProbe(command);
    if (probe.pid < 0) {
        unknown = true;
        return command.input + ": Unknown format\n";
    }
    const std::string report = ReadAll(probe.out);
    return FinishProbe(command, report, waitFor(probe.pid), unknown);
}

bool AnswerIsYes()
{
    // The runner gives us the write end of its pipe as standard input, so no
    // answer can come from there; a terminal can answer.
    char c = 0;
    const ssize_t n = ::read(0, &c, 1);
    return n == 1 && (c == 'y' || c == 'Y');
}

} // namespace

int main(int argc, char* argv[])
{
    // Whatever ends the program that started us ends us too, and with us
    // our ffmpeg: a conversion nobody waits for must not run on.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1)
        return 1;
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && arguments[0] == "--adapter-version") {
        // Lets an installer tell this adapter, and its age, from other files.
        std::printf("%s %d\n", kAdapterVersionName, CLIPVANE_ADAPTER_VERSION);
        return 0;
    }
    Command command;
    const std::string problem = ParseCommand(arguments, command);
    say("nnn.exe, the Clipvane converter adapter: converting with ffmpeg\n");
    if (!problem.empty()) {
        say(problem + "\n");
        return 1;
    }
    struct stat st
    {
    };
    if (::stat(command.input.c_str(), &st) != 0) {
        say(command.input + ": " + std::strerror(errno) + "\n");
        return 1;
    }

    bool described = false;
    double inputSeconds = -1;
    bool inputHasVideo = true;
    if (!command.overwrite && ::stat(command.output.c_str(), &st) == 0) {
        bool unknown = false;
        const std::string description = DescribeOnly(command, unknown);
        inputSeconds = DescribedSeconds(description);
        inputHasVideo = description.find(": Video: ") != std::string::npos;
        say(description);
        if (unknown)
            return 1;
        described = true;
        say("File '" + command.output + "' already exists. Overwrite ? [y/N] ");
        if (!AnswerIsYes()) {
            say("Not overwriting - exiting\n");
            return 1;
        }
    }
    Translator translator(command);
    // ffprobe describes the input while ffmpeg already converts; what ffmpeg
    // says waits until the description is out.
    Probe probe = described ? Probe{} : StartProbe(command);
    std::string probeReport;
    std::string held;
    auto tell = [&](const std::string& text) {
        if (probe.pid >= 0)
            held += text;
        else
            say(text);
    };
    auto probeEnded = [&] {
        bool unknown = false;
        const std::string description =
            FinishProbe(command, probeReport, waitFor(probe.pid), unknown);
        probe = {};
        inputSeconds = DescribedSeconds(description);
        inputHasVideo = unknown || description.find(": Video: ") != std::string::npos;
        // ffmpeg, which cannot read it either, says so in its own words.
        if (!unknown)
            say(description);
        say(held);
        held.clear();
    };

    int err[2];
    int progress[2];
    if (::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(progress, O_CLOEXEC) != 0) {
        say("nnn.exe: cannot make a pipe\n");
        return 1;
    }
    const pid_t ffmpeg = spawn(FfmpegArguments(command), err[1], progress[1], -1);
    ::close(err[1]);
    ::close(progress[1]);
    if (ffmpeg < 0) {
        say("nnn.exe: cannot run ffmpeg\n");
        return 1;
    }

    pollfd fds[3] = {{err[0], POLLIN, 0}, {progress[0], POLLIN, 0}, {probe.out, POLLIN, 0}};
    char buffer[8192];
    while (fds[0].fd >= 0 || fds[1].fd >= 0 || fds[2].fd >= 0) {
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 3; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                if (i == 2)
                    probeEnded();
                continue;
            }
            const std::string bytes(buffer, static_cast<std::size_t>(n));
            if (i == 2)
                probeReport += bytes;
            else
                tell(i == 0 ? translator.stderrBytes(bytes) : translator.progressBytes(bytes));
        }
    }
    if (probe.pid >= 0)
        probeEnded();
    say(translator.finishStderr());
    int code = waitFor(ffmpeg);
    say(translator.summary());
    if (code == 127)
        say("nnn.exe: ffmpeg could not be started\n");
    // A conversion is done only when its file is whole: ffmpeg that could
    // not write its trailer may still end with 0.
    if (code == 0 && !inputHasVideo) {
        // A video file of sound alone is no video file.
        say("nnn.exe: the input holds no video\n");
        code = 1;
    } else if (code == 0 && translator.writeFailed()) {
        say("nnn.exe: the output file could not be written whole\n");
        code = 1;
    } else if (code == 0 && !LastsAsLongAs(translator.writtenSeconds(), inputSeconds)) {
        // ffmpeg's own count falls short (or is missing): the file decides.
        // A whole one is taken at ffmpeg's word, without a reader started
        // for each conversion.
        const double outputSeconds = OutputSeconds(command.output);
        if (!LastsAsLongAs(outputSeconds, inputSeconds)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "nnn.exe: the output lasts %.1f s of the input's %.1f s\n", outputSeconds,
                          inputSeconds);
            say(text);
            code = 1;
        }
    }
    return code;
}
