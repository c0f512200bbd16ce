#include "cli/jsonevents.h"

#include "core/base/utf8.h"

#include <cstdio>

namespace clipvane {

std::string JsonString(const std::string& bytes)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = Utf8CharLength(bytes, i);
        // U+0080 to U+009F are controls too: written out like the others.
        if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) <= 0x9F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x",
                          static_cast<unsigned char>(bytes[i + 1]));
            json += escaped;
            i += length;
            continue;
        }
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
