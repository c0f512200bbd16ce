#include "cli/jsonevents.h"

#include <cstdio>

namespace clipvane {

namespace {

// The length of the valid UTF-8 character at `i`, or 0.
std::size_t utf8Length(const std::string& text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t value = 0;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string JsonString(const std::string& bytes)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = utf8Length(bytes, i);
        if (length > 1) {
            json.append(bytes, i, length);
            i += length;
            continue;
        }
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += static_cast<char>(byte);
        } else if (byte == '\n') {
            json += "\\n";
        } else if (byte == '\t') {
            json += "\\t";
        } else if (byte == '\r') {
            json += "\\r";
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += static_cast<char>(byte);
        }
        ++i;
    }
    return json + "\"";
}

std::string JsonEvent(const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::string line = "{\"event\":" + JsonString(name);
    for (const auto& [key, value] : fields)
        line += "," + JsonString(key) + ":" + value;
    return line + "}";
}

} // namespace clipvane
