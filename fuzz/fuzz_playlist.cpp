// The playlist resolver on any document: an address or an Error, nothing else.
#include "core/base/error.h"
#include "core/source/playlist.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clipvane::XmlDocument document;
    try {
        document.loadFromText(std::string(reinterpret_cast<const char*>(data), size));
        (void)clipvane::BuildStreamUrl(document);
    } catch (const clipvane::Error&) {
    }
    return 0;
}
