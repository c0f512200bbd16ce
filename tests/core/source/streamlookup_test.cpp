#include "core/source/streamlookup.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(CutStreamId, Table)
{
    const std::pair<std::string, std::string> cases[] = {
        {R"({"streamid":"abc","x":1})", "abc"},
        {R"({"streamid":"first"},{"streamid":"second"})", "first"},
        {R"({"streamid": "abc"})", ""},
        {R"({"StreamId":"abc"})", ""},
        {R"({"streamid":"a\"b"})", "a\\"},
        {R"({"streamid":"")", ""},
        {R"({"streamid":"unterminated)", ""},
        {R"({"streamid":""})", ""},
        {"", ""},
        {std::string("{\"streamid\":\"a\0b\"}", 18), std::string("a\0b", 3)},
    };
    for (const auto& [document, expected] : cases)
        EXPECT_EQ(CutStreamId(document), expected) << document;
}

} // namespace
} // namespace clipvane
