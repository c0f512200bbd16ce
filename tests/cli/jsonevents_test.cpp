#include "cli/jsonevents.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(JsonString, TextsAreJsonAndNoControlGetsThrough)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"quote \" and \\", "\"quote \\\" and \\\\\""},
        {"tab\tcr\rlf\n", "\"tab\\tcr\\rlf\\n\""},
        {"esc\x1b[31m del\x7f", "\"esc\\u001b[31m del\\u007f\""},
        {"Caf\xC3\xA9", "\"Caf\xC3\xA9\""},                       // valid UTF-8 stays
        {"Caf\xE9", "\"Caf\\u00e9\""},                            // a byte of no UTF-8: its value
        {"csi\xC2\x9B osc\xC2\x9D", "\"csi\\u009b osc\\u009d\""}, // C1 as characters
        {"lone \x9B", "\"lone \\u009b\""},                        // and as lone bytes
        {"nbsp\xC2\xA0", "\"nbsp\xC2\xA0\""},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(JsonString(text), json) << text;
}

} // namespace
} // namespace clipvane
