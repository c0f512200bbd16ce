#pragma once

#include <optional>
#include <string>

namespace clipvane {

// What a saved clip is.
enum class OutputFormat
{
    Avi,      // the designed profile: MPEG-4 tagged divx at 320x240, mono MP3, in AVI
    Mp4,      // H.264 and AAC at the source's own size and rate, in MP4
    Original, // the source's own streams untouched: MP4 when they fit in it, else Matroska
};

// "avi", "mp4", "original": the word the command line and the settings use.
const char* FormatWord(OutputFormat format);
// The format a word names, in any letter case; nothing for another word.
std::optional<OutputFormat> FormatOfWord(const std::string& word);

} // namespace clipvane
