// The page scraper on any bytes: it must always give a usable file title.
#include "core/source/videopage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const clipvane::ScrapedPage page = clipvane::ScrapePage(body, "12:34:56");
    if (page.title.empty())
        __builtin_trap();
    for (const char bad : {'\\', '/', ':', '?', '*', '"', '<', '>'})
        if (page.title.find(bad) != std::string::npos)
            __builtin_trap();
    // 53 characters at most; a character is at most four bytes.
    if (page.title.size() > 53 * 4)
        __builtin_trap();
    return 0;
}
