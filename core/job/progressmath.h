#pragma once

#include <cstdint>
#include <string>

namespace clipvane {

struct GaugeValues
{
    int step = 0;
    int total = 0;
    bool operator==(const GaugeValues&) const = default;
};

// The download's share: 30 to 60 of the whole job. The quotient is formed
// first, in extended precision, and each product is truncated.
GaugeValues DownloadGauges(std::int64_t bytesShown, std::int64_t expectedSize);

// The download's share when the stream says no length: it moves forward
// with every byte and slows as they add up (half way at 16 MiB), so it never
// claims an end it cannot know.
GaugeValues DownloadGaugesWithoutLength(std::int64_t bytesShown);

// The conversion's share: 60 to 100. Without a duration there is nothing to
// divide by, and the gauges stay at 0 and 60.
GaugeValues ConversionGauges(std::int64_t encodedSeconds, std::int64_t durationSeconds);

// A gauge holds 0 to 100; anything else is the nearest bound.
int ClampGauge(int value);

// The title under which the clip goes into `folder`: as it is when
// folder + title + extension is free, else "[n]" + title for the smallest
// free n. Only files count as taken, not folders.
std::string UniqueOutputTitle(const std::string& folder, const std::string& title,
                              const std::string& extension = ".AVI");

} // namespace clipvane
