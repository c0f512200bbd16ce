#pragma once

#include "core/source/internet.h"

#include <string>
#include <string_view>

namespace clipvane {

// The stream id of a sequence document: the text between the marker
// streamid":" and the next double quote. Empty when either is missing.
std::string CutStreamId(std::string_view document);

// Fetches the sequence document at `address` and cuts the stream id out.
[[nodiscard]] std::string GetStreamId(const std::string& address, const StopFlag* stop = nullptr);

} // namespace clipvane
