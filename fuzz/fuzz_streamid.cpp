// The stream-id cut on any sequence document.
#include "core/source/streamlookup.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const std::string id = clipvane::CutStreamId(document);
    if (id.find('"') != std::string::npos || id.size() > size)
        __builtin_trap();
    return 0;
}
