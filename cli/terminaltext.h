#pragma once

#include <string>

namespace clipvane {

// Text from outside (a page's title, an address, a path that holds one) as
// it may go to a terminal: every control character, DEL included, written
// out as "\t", "\r", "\n" or "\xHH", so no byte of it can move the cursor,
// recolour, retitle or erase anything. The second control set counts too:
// U+0080 to U+009F as UTF-8 (both bytes written out) and, in a text that is
// not UTF-8, the lone bytes 0x80 to 0x9F. All other bytes stay as they are.
std::string TerminalSafe(const std::string& text);

} // namespace clipvane
