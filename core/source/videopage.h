#pragma once

#include "core/source/internet.h"

#include <string>
#include <string_view>

namespace clipvane {

// What the video page yields: the clip id the sequence endpoint wants (empty
// when the page names none) and a title fit to be a file name (never empty).
struct ScrapedPage
{
    std::string clipId;
    std::string title;
};

// The clip id alone, without the title's work: empty when the page names none.
std::string FindClipId(std::string_view body);

// Reads a page body as lines of text. `timeOfDay` is the fallback title's
// time, in the user's long time format.
ScrapedPage ScrapePage(std::string_view body, const std::string& timeOfDay);

// Fetches the page at `address` exactly as typed and reads it. A page that
// could not be fetched reads as an empty one: no clip id, the fallback title.
[[nodiscard]] ScrapedPage ScrapeVideoPage(const std::string& address,
                                          const StopFlag* stop = nullptr);

// The current time of day in the locale's long time format, with seconds and
// without a time zone.
std::string LongTimeOfDay();

// The title rules on their own: the eight characters a file name cannot hold
// become "_", and a title of more than 53 characters keeps its first 50 and
// gets "...". Characters are counted in UTF-8 where the text is valid UTF-8,
// so a cut never splits one; other texts are counted in bytes.
std::string CleanTitle(std::string title);

} // namespace clipvane
