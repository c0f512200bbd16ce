#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace clipvane {

// Reading the converter's console output: the clip's duration from its input
// description and the time encoded so far from the latest progress line.

// The duration text and the time text of `output`, each only when asked for:
// the eight characters after the first "Duration: " (blanks stripped), else
// "00:00:00"; the text between "time=" and the next "." within the output's
// last 51 characters, else "0" (empty when "time=" has no "." after it).
std::pair<std::string, std::string> ParseConverterOutput(const std::string& output,
                                                         bool wantDuration, bool wantTime);

// The duration text alone; the encoded time as whole seconds, raising the
// number error for a text that is not one.
std::string DurationText(const std::string& output);
std::int32_t EncodedSeconds(const std::string& output);

// "HH:MM:SS" as seconds; a field that is not a number raises the number error.
std::int32_t DurationToSeconds(const std::string& text);

} // namespace clipvane
