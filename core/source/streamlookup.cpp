#include "core/source/streamlookup.h"

#include "core/source/webfetch.h"

namespace clipvane {

std::string CutStreamId(std::string_view document)
{
    constexpr std::string_view kMarker = "streamid\":\"";
    const auto marker = document.find(kMarker);
    if (marker == std::string_view::npos)
        return {};
    const std::string_view rest = document.substr(marker + kMarker.size());
    const auto quote = rest.find('"');
    if (quote == std::string_view::npos)
        return {};
    return std::string(rest.substr(0, quote));
}

std::string GetStreamId(const std::string& address, const StopFlag* stop)
{
    return CutStreamId(FetchUrlText(address, stop));
}

} // namespace clipvane
