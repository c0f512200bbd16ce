#include "cli/terminaltext.h"

#include "core/base/utf8.h"

#include <cstdio>

namespace clipvane {

namespace {

void writeOut(std::string& safe, unsigned char byte)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    safe += escaped;
}

// U+0080 to U+009F: the second control set, which a terminal obeys as it
// obeys ESC (U+009B starts a control sequence, U+009D a title).
bool IsC1Character(const std::string& text, std::size_t at, std::size_t length)
{
    return length == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

} // namespace

std::string TerminalSafe(const std::string& text)
{
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (const std::size_t length = Utf8CharLength(text, i); length > 1) {
            if (IsC1Character(text, i, length)) {
                writeOut(safe, byte);
                writeOut(safe, static_cast<unsigned char>(text[i + 1]));
            } else {
                safe.append(text, i, length);
            }
            i += length;
            continue;
        }
        if (byte == '\t')
            safe += "\\t";
        else if (byte == '\r')
            safe += "\\r";
        else if (byte == '\n')
            safe += "\\n";
        else if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte <= 0x9F))
            writeOut(safe, byte); // a lone 0x80 to 0x9F is a C1 control in Latin-1
        else
            safe += static_cast<char>(byte);
        ++i;
    }
    return safe;
}

} // namespace clipvane
