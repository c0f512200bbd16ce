#include "cli/terminaltext.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(TerminalSafe, ControlCharactersAreWrittenOutAndNothingElse)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain text, 100% (ok)", "plain text, 100% (ok)"},
        {"esc\x1b[31mred", "esc\\x1b[31mred"},
        {"title\x1b]0;owned\x07", "title\\x1b]0;owned\\x07"},
        {"tab\tcr\rlf\n", "tab\\tcr\\rlf\\n"},
        {"del\x7f", "del\\x7f"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"Caf\xC3\xA9 \xE9", "Caf\xC3\xA9 \xE9"}, // bytes above ASCII stay: a name's own
        {"back\\slash", "back\\slash"},
        // The second control set: as UTF-8 characters, and as the lone bytes
        // of a Latin-1 text.
        {"csi\xC2\x9B"
         "31mred osc\xC2\x9D"
         "0;owned",
         "csi\\xc2\\x9b31mred osc\\xc2\\x9d0;owned"},
        {"caf\xE9 \x9B"
         "31m \x85",
         "caf\xE9 \\x9b31m \\x85"},
        {"nbsp\xC2\xA0 and \xC2\x80\xC2\x9F", "nbsp\xC2\xA0 and \\xc2\\x80\\xc2\\x9f"},
        {"\xE2\x80\x9B quote", "\xE2\x80\x9B quote"}, // continuation bytes are no controls
    };
    for (const auto& [text, safe] : cases)
        EXPECT_EQ(TerminalSafe(text), safe) << text;
}

} // namespace
} // namespace clipvane
