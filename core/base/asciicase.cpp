#include "core/base/asciicase.h"

namespace clipvane {

std::string AsciiLower(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string AsciiUpper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix)
{
    return text.size() >= lowerPrefix.size() &&
           AsciiLower(text.substr(0, lowerPrefix.size())) == lowerPrefix;
}

std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from)
{
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lowerNeedle.empty())
        return from <= text.size() ? from : std::string_view::npos;
    for (std::size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
        if (lower(text[i]) != lowerNeedle[0])
            continue;
        std::size_t k = 1;
        while (k < lowerNeedle.size() && lower(text[i + k]) == lowerNeedle[k])
            ++k;
        if (k == lowerNeedle.size())
            return i;
    }
    return std::string_view::npos;
}

} // namespace clipvane
