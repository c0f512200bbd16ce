#pragma once

#include <string>

namespace clipvane {

// Text from outside (a page's title, an address, a path that holds one) as
// it may go to a terminal: every control character, DEL included, written
// out as "\t", "\r", "\n" or "\xHH", so no byte of it can move the cursor,
// recolour, retitle or erase anything. All other bytes stay as they are.
std::string TerminalSafe(const std::string& text);

} // namespace clipvane
