#pragma once

#include <string>
#include <string_view>

namespace clipvane {

// Letter case folding of the ASCII letters only; every other byte, UTF-8
// included, stays as it is.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Whether `text` begins with `lowerPrefix` (given in lower case), ignoring
// the case of ASCII letters.
bool StartsWithNoCase(std::string_view text, std::string_view lowerPrefix);

} // namespace clipvane
