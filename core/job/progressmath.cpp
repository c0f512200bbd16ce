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

// A phase that fills the step gauge while the total gauge goes from `start`
// over `span`; without a whole to divide by, both stay at their start.
GaugeValues PhaseGauges(std::int64_t done, std::int64_t whole, int start, int span)
{
    if (whole == 0)
        return {0, start};
    const long double share = static_cast<long double>(done) / static_cast<long double>(whole);
    return {truncated(share * 100), start + truncated(share * span)};
}

} // namespace

GaugeValues DownloadGauges(std::int64_t bytesShown, std::int64_t expectedSize)
{
    return PhaseGauges(bytesShown, expectedSize, 30, 30);
}

GaugeValues DownloadGaugesWithoutLength(std::int64_t bytesShown)
{
    constexpr std::int64_t kHalfWay = std::int64_t{16} * 1024 * 1024;
    const std::int64_t done = std::max<std::int64_t>(bytesShown, 0);
    return PhaseGauges(done, done + kHalfWay, 30, 30);
}

GaugeValues ConversionGauges(std::int64_t encodedSeconds, std::int64_t durationSeconds)
{
    return PhaseGauges(encodedSeconds, durationSeconds, 60, 40);
}

int ClampGauge(int value)
{
    return std::clamp(value, 0, 100);
}

std::string UniqueOutputTitle(const std::string& folder, const std::string& title,
                              const std::string& extension)
{
    const auto taken = [&](const std::string& name) {
        std::string path = folder;
        path.append(name).append(extension);
        return platform::FileExists(path);
    };
    if (!taken(title))
        return title;
    for (long n = 1;; ++n) {
        std::string candidate = "[";
        candidate.append(std::to_string(n)).append("]").append(title);
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace clipvane
