#include "core/conversion/consoleoutput.h"

#include "core/base/strtoint.h"

#include <string_view>

namespace clipvane {

namespace {

constexpr std::string_view kDurationMarker = "Duration: ";
constexpr std::string_view kTimeMarker = "time=";
constexpr std::size_t kTimeTail = 51;
constexpr std::size_t kDurationChars = 8;

std::string strip(std::string text)
{
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= 32)
        ++start;
    return text.substr(start);
}

std::string field(const std::string& text, std::size_t position, std::size_t length)
{
    return position < text.size() ? text.substr(position, length) : std::string();
}

} // namespace

std::pair<std::string, std::string> ParseConverterOutput(const std::string& output,
                                                         bool wantDuration, bool wantTime)
{
    std::string durationText = "00:00:00";
    std::string timeText = "0";
    if (wantDuration) {
        if (const auto marker = output.find(kDurationMarker); marker != std::string::npos)
            durationText = strip(output.substr(marker + kDurationMarker.size(), kDurationChars));
    }
    if (wantTime) {
        const std::string tail =
            output.size() > kTimeTail ? output.substr(output.size() - kTimeTail) : output;
        if (const auto marker = tail.find(kTimeMarker); marker != std::string::npos) {
            const std::string rest = tail.substr(marker + kTimeMarker.size());
            const auto point = rest.find('.');
            timeText = point == std::string::npos ? std::string() : rest.substr(0, point);
        }
    }
    return {durationText, timeText};
}

std::string DurationText(const std::string& output)
{
    return ParseConverterOutput(output, true, false).first;
}

std::int32_t EncodedSeconds(const std::string& output)
{
    return StrToInt(ParseConverterOutput(output, false, true).second);
}

std::int32_t DurationToSeconds(const std::string& text)
{
    const std::int32_t hours = StrToInt(field(text, 0, 2));
    const std::int32_t minutes = StrToInt(field(text, 3, 2));
    const std::int32_t seconds = StrToInt(field(text, 6, 2));
    return hours * 3600 + minutes * 60 + seconds;
}

} // namespace clipvane
