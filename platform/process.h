#pragma once

#include <cstdint>

// What the converter's child process needs of the system beyond what Qt's
// QProcess does: a process group of its own, so that the converter and
// whatever it starts stop together, and an end when this program ends.
namespace clipvane::platform {

// Runs in the child between fork and exec (QProcess's child process
// modifier), so it calls only what is safe there. `parent` is this
// program's process id, taken before the fork: a child whose parent has
// already gone ends at once.
void PrepareChildProcess(std::int64_t parent);

// The id to hand to PrepareChildProcess.
std::int64_t CurrentProcessId();

// Ends the whole process group `leader` leads, at once; does not wait.
void KillProcessGroup(std::int64_t leader);

} // namespace clipvane::platform
