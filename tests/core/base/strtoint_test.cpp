#include "core/base/error.h"
#include "core/base/strtoint.h"

#include <gtest/gtest.h>
#include <optional>

namespace clipvane {
namespace {

struct IntCase
{
    const char* text;
    std::optional<std::int32_t> expected;
};

class StrToIntTable : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(StrToIntTable, ConvertsOrRefuses)
{
    const IntCase& c = GetParam();
    EXPECT_EQ(TryStrToInt(c.text), c.expected) << "text: [" << c.text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrToIntTable,
    ::testing::Values(
        // Plain decimal, signs and leading blanks.
        IntCase{"0", 0}, IntCase{"100", 100}, IntCase{"-4", -4}, IntCase{"+17", 17},
        IntCase{"   42", 42}, IntCase{"  -0", 0}, IntCase{"007", 7},
        // The signed 32-bit range, and one past it either way.
        IntCase{"2147483647", 2147483647}, IntCase{"-2147483648", INT32_MIN},
        IntCase{"2147483648", std::nullopt}, IntCase{"-2147483649", std::nullopt},
        IntCase{"99999999999999999999", std::nullopt},
        // Hexadecimal behind each prefix; all 32 bits may be used.
        IntCase{"$1F", 31}, IntCase{"x1f", 31}, IntCase{"X1F", 31}, IntCase{"0x10", 16},
        IntCase{"0X10", 16}, IntCase{"-$10", -16}, IntCase{"$FFFFFFFF", -1},
        IntCase{"$80000000", INT32_MIN}, IntCase{"$100000000", std::nullopt},
        // Refused: empty, blanks only, bare sign or prefix, trailing or inner
        // characters, blanks after the sign, a tab in front.
        IntCase{"", std::nullopt}, IntCase{"   ", std::nullopt}, IntCase{"-", std::nullopt},
        IntCase{"$", std::nullopt}, IntCase{"0x", std::nullopt}, IntCase{"12 ", std::nullopt},
        IntCase{"12abc", std::nullopt}, IntCase{"1 2", std::nullopt}, IntCase{"- 5", std::nullopt},
        IntCase{"\t5", std::nullopt}, IntCase{"abc", std::nullopt}, IntCase{"1.5", std::nullopt},
        IntCase{"$G", std::nullopt}, IntCase{"--5", std::nullopt}));

TEST(StrToInt, RefusalCarriesTheTextInTheMessage)
{
    try {
        StrToInt("abc");
        FAIL() << "no error raised";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
    EXPECT_EQ(NotAnIntegerMessage(""), "'' is not a valid integer value");
    // Found by fuzzing: a NUL is a character like any other, not an end.
    EXPECT_EQ(TryStrToInt(std::string_view("12\0", 3)), std::nullopt);
    EXPECT_EQ(TryStrToInt(std::string_view("\0"
                                           "12",
                                           3)),
              std::nullopt);
    EXPECT_EQ(StrToInt(" -12"), -12);
}

} // namespace
} // namespace clipvane
