#include "core/job/progressmath.h"

#include "platform/folders.h"

#include <algorithm>
#include <cmath>

namespace clipvane {

namespace {

// Truncated toward zero, never rounded. A share far outside the gauge (a
// stream that sends far more than its length said, a length of 1) is held
// to a range an int takes: converting what it cannot hold is undefined, and
// the gauge shows the nearest bound all the same.
int truncated(long double value)
{
    constexpr long double kFarOutside = 1000;
    if (!(value > -kFarOutside)) // NaN too
        return value != value ? 0 : -static_cast<int>(kFarOutside);
    if (value > kFarOutside)
        return static_cast<int>(kFarOutside);
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
