// The page reader on any bytes: findings or none, never a crash, a leak or
// an address of another scheme than http and https.
#include "core/source/pagemedia.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    const clipvane::PageFindings found =
        clipvane::FindPageMedia(page, "https://site.example/news/story.html");
    for (const std::string& address : found.media)
        if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0)
            std::abort();
    for (const std::string& address : found.players)
        if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0)
            std::abort();
    return 0;
}
