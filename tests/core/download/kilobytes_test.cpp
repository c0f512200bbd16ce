#include "core/download/kilobytes.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(FormatKilobytes, Table)
{
    // The sign counts as a character of the leftmost group.
    const std::pair<std::int32_t, const char*> cases[] = {
        {0, "0 KB"},
        {1023, "0 KB"},
        {1024, "1 KB"},
        {12288, "12 KB"},
        {130000, " 126 KB"},
        {123 * 1024, " 123 KB"},
        {1234 * 1024, "1 234 KB"},
        {5000000, "4 882 KB"},
        {200000000, " 195 312 KB"},
        {2000000000, "1 953 125 KB"},
        {-1024, "-1 KB"},
        {-123 * 1024, "- 123 KB"},
        {-12 * 1024, " -12 KB"},
        {-1023, "0 KB"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(FormatKilobytes(bytes), expected) << bytes;
}

} // namespace
} // namespace clipvane
