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
    };
    for (const auto& [text, safe] : cases)
        EXPECT_EQ(TerminalSafe(text), safe) << text;
}

} // namespace
} // namespace clipvane
