#pragma once

#include <cstdio>

namespace clipvane::platform {

// Whether `stream` is connected to a terminal (rather than a file or a pipe).
bool IsTerminal(std::FILE* stream);

} // namespace clipvane::platform
