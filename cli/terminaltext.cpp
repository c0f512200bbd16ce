#include "cli/terminaltext.h"

#include <cstdio>

namespace clipvane {

std::string TerminalSafe(const std::string& text)
{
    std::string safe;
    safe.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            safe += c;
        } else if (c == '\t') {
            safe += "\\t";
        } else if (c == '\r') {
            safe += "\\r";
        } else if (c == '\n') {
            safe += "\\n";
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            safe += escaped;
        }
    }
    return safe;
}

} // namespace clipvane
