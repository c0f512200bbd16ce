#include "platform/terminal.h"

#include <unistd.h>

namespace clipvane::platform {

bool IsTerminal(std::FILE* stream)
{
    return stream && ::isatty(::fileno(stream)) == 1;
}

} // namespace clipvane::platform
