// The playlist resolver on any document: an address or an Error, nothing else.
#include "base/error.h"
#include "source/playlist.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clipvane::TXMLDocument document;
    try {
        document.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
        (void)clipvane::BuildStreamUrl(document);
    } catch (const clipvane::Error&) {
    }
    return 0;
}
