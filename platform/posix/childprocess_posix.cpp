#include "platform/childprocess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace clipvane::platform {

bool CreateOutputPipe(OutputPipe& pipe)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pipe.readEnd = fds[0];
    pipe.writeEnd = fds[1];
    return true;
}

void CloseOutputPipe(OutputPipe& pipe)
{
    if (pipe.readEnd >= 0)
        ::close(pipe.readEnd);
    if (pipe.writeEnd >= 0)
        ::close(pipe.writeEnd);
    pipe = {};
}

void CloseWriteEnd(OutputPipe& pipe)
{
    if (pipe.writeEnd >= 0)
        ::close(pipe.writeEnd);
    pipe.writeEnd = -1;
}

bool StartChild(const std::vector<std::string>& arguments, int stdioFd, ChildProcess& child)
{
    child = {};
    if (arguments.empty() || arguments.front().empty())
        return false;
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int target = 0; target <= 2; ++target)
        posix_spawn_file_actions_adddup2(&actions, stdioFd, target);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int s : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int result =
        posix_spawnp(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0)
        return false;
    child.pid = pid;
    return true;
}

bool ChildRunning(ChildProcess& child)
{
    if (child.pid < 0 || child.ended)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(child.pid, &status, WNOHANG);
    if (r == 0)
        return true;
    child.ended = true;
    if (r == child.pid)
        child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

void KillChildGroup(const ChildProcess& child)
{
    if (child.pid > 0 && !child.ended)
        ::kill(-child.pid, SIGKILL);
}

void ReapChild(ChildProcess& child)
{
    if (child.pid > 0 && !child.ended) {
        int status = 0;
        while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        child.ended = true;
    }
}

std::size_t BytesWaiting(int fd)
{
    int count = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0 || count < 0)
        return 0;
    return static_cast<std::size_t>(count);
}

std::size_t ReadBytes(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

void PauseMilliseconds(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<std::string> SplitCommandLine(const std::string& line)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    argument.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    argument += '"'; // a doubled quote inside quotes stands for one
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

} // namespace clipvane::platform
