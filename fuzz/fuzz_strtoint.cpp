// The text-to-integer rule: a number and its message agree, and decimal
// results read back as themselves.
#include "core/base/error.h"
#include "core/base/strtoint.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto value = clipvane::TryStrToInt(text);
    bool raised = false;
    try {
        if (clipvane::StrToInt(text) != value)
            __builtin_trap();
    } catch (const clipvane::ConvertError& e) {
        raised = true;
        // A message is a C string: it shows up to its first NUL.
        if (std::string(e.what()) != clipvane::NotAnIntegerMessage(text).c_str())
            __builtin_trap();
    }
    if (raised == value.has_value())
        __builtin_trap();
    if (value && clipvane::TryStrToInt(std::to_string(*value)) != value)
        __builtin_trap();
    return 0;
}
