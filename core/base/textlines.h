#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clipvane {

// Splits a text into lines the way the program's text lists do: CR LF, a lone
// CR and a lone LF each end a line, a terminator at the very end adds no empty
// line, and the first NUL byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace clipvane
