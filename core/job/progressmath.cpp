#include "core/job/progressmath.h"

#include "platform/folders.h"

#include <algorithm>
#include <cmath>

namespace clipvane {

namespace {

int truncated(long double value)
{
    return static_cast<int>(std::trunc(value));
}

} // namespace

GaugeValues DownloadGauges(std::int32_t bytesShown, std::int32_t expectedSize)
{
    if (expectedSize == 0)
        return {0, 30};
    const long double f =
        static_cast<long double>(bytesShown) / static_cast<long double>(expectedSize);
    return {truncated(f * 100), 30 + truncated(f * 30)};
}

GaugeValues ConversionGauges(std::int32_t encodedSeconds, std::int32_t durationSeconds)
{
    if (durationSeconds == 0)
        return {0, 60};
    const long double g =
        static_cast<long double>(encodedSeconds) / static_cast<long double>(durationSeconds);
    return {truncated(g * 100), 60 + truncated(g * 40)};
}

int ClampGauge(int value)
{
    return std::clamp(value, 0, 100);
}

std::string UniqueOutputTitle(const std::string& folder, const std::string& title)
{
    if (!platform::FileExists(folder + title + ".AVI"))
        return title;
    for (long n = 1;; ++n) {
        const std::string candidate = "[" + std::to_string(n) + "]" + title;
        if (!platform::FileExists(folder + candidate + ".AVI"))
            return candidate;
    }
}

} // namespace clipvane
