#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace clipvane {

// The length in bytes of the valid UTF-8 character that starts at `at`, or 0
// when none does there (a byte of a text in another encoding, a character
// cut short, an overlong or surrogate form).
std::size_t Utf8CharLength(std::string_view text, std::size_t at);

} // namespace clipvane
