#include "core/conversion/outputformat.h"

#include "core/base/asciicase.h"

namespace clipvane {

const char* FormatWord(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Avi:
        return "avi";
    case OutputFormat::Mp4:
        return "mp4";
    case OutputFormat::Original:
        return "original";
    }
    return "avi";
}

std::optional<OutputFormat> FormatOfWord(const std::string& word)
{
    for (const OutputFormat format : {OutputFormat::Avi, OutputFormat::Mp4, OutputFormat::Original})
        if (AsciiLower(word) == FormatWord(format))
            return format;
    return std::nullopt;
}

} // namespace clipvane
