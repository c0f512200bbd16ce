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

// Where `lowerNeedle` first stands in `text` with ASCII letters folded, or
// npos; nothing is copied.
std::size_t FindNoCase(std::string_view text, std::string_view lowerNeedle, std::size_t from = 0);

} // namespace clipvane
