#include "core/base/textlines.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

using Lines = std::vector<std::string>;

struct LinesCase
{
    std::string text;
    Lines expected;
};

class SplitLinesTable : public ::testing::TestWithParam<LinesCase>
{
};

TEST_P(SplitLinesTable, Splits)
{
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTable,
    ::testing::Values(LinesCase{"", {}}, LinesCase{"a", {"a"}}, LinesCase{"a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"a\rb\nc", {"a", "b", "c"}}, LinesCase{"a\n\nb", {"a", "", "b"}},
                      LinesCase{"\r\n", {""}}, LinesCase{"a\n\r\nb", {"a", "", "b"}},
                      LinesCase{"a\r\rb", {"a", "", "b"}},
                      // The first NUL ends the text.
                      LinesCase{std::string("ab\0c\nd", 6), {"ab"}},
                      LinesCase{std::string("a\n\0b", 4), {"a"}}));

} // namespace
} // namespace clipvane
