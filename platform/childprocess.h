#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A child program whose console output comes back through one pipe, read
// without ever blocking: the converter runner's view of the system.
namespace clipvane::platform {

struct OutputPipe
{
    int readEnd = -1;
    int writeEnd = -1;
};

// Both ends are closed on exec; the child receives the write end explicitly.
bool CreateOutputPipe(OutputPipe& pipe);
void CloseOutputPipe(OutputPipe& pipe);
// Once the child has its copy: the read end then sees the end of the output
// as soon as the child (and whatever it passed the pipe on to) has gone.
void CloseWriteEnd(OutputPipe& pipe);

struct ChildProcess
{
    int pid = -1;
    bool ended = false; // reaped: the pid is free again
    int exitCode = 0;
};

// Starts `arguments[0]` (searched on PATH unless it holds a "/") in a process
// group of its own, with `stdioFd` as its standard input, output and error.
bool StartChild(const std::vector<std::string>& arguments, int stdioFd, ChildProcess& child);

// Never blocks. True while the child runs; an ended child is reaped and its
// exit code kept.
bool ChildRunning(ChildProcess& child);

// Ends the child's whole process group at once; does not wait.
void KillChildGroup(const ChildProcess& child);

// Waits for an ended or killed child, so no zombie stays behind.
void ReapChild(ChildProcess& child);

// Bytes waiting in a pipe, without reading them.
std::size_t BytesWaiting(int fd);
// Reads up to `size` bytes; with `size` from BytesWaiting it never blocks.
std::size_t ReadBytes(int fd, char* buffer, std::size_t size);

void PauseMilliseconds(int milliseconds);

// Splits a command line the way Windows programs split theirs: blanks and
// tabs separate, double quotes group, and backslashes escape a quote only
// when they stand right before one.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace clipvane::platform
