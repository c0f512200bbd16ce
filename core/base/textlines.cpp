#include "core/base/textlines.h"

namespace clipvane {

std::vector<std::string> SplitLines(std::string_view text)
{
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);

    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

} // namespace clipvane
