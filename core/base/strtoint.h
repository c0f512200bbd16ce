#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace clipvane {

// The program's one text-to-integer rule: leading blanks, an optional sign,
// then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X".
// Anything else, the empty text and trailing characters included, is refused.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As TryStrToInt, but a refused text raises ConvertError with
// "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

std::string NotAnIntegerMessage(std::string_view text);

} // namespace clipvane
