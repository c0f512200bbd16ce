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

} // namespace clipvane
