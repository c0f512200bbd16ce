#pragma once

#include <string>
#include <utility>
#include <vector>

namespace clipvane {

// A text as a JSON string, quotes included. Valid UTF-8 stays as it is;
// control characters, quotes and backslashes are escaped; a byte that is no
// part of valid UTF-8 is written as \u00XX with the byte's value, so every
// byte of a name can be told from the output.
std::string JsonString(const std::string& bytes);

// One event, one line: {"event":"<name>", then the fields as given}. Values
// are already JSON (JsonString for texts, plain digits for numbers).
std::string JsonEvent(const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& fields);

} // namespace clipvane
