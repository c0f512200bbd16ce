#include "core/conversion/commandline.h"
#include "platform/childprocess.h"

#include <cstring>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(ConverterCommandLine, IsTheSevenPiecesExactly)
{
    EXPECT_EQ(std::strlen(kProfileOptions), 97u);
    EXPECT_EQ(
        ConverterCommandLine("/home/u/.local/share/tolrand_yt_1/",
                             "/home/u/.cache/tolrand_temp_folder_3/"),
        "/home/u/.local/share/tolrand_yt_1/nnn.exe -i /home/u/.cache/tolrand_temp_folder_3/temp.flv"
        " -vcodec mpeg4 -vtag divx -qscale 6 -b 320 -s 320x240  -acodec mp3 -ac 1 -ar 44100 -ab 64 "
        "-f avi "
        "/home/u/.cache/tolrand_temp_folder_3/temp.avi");
}

TEST(ConverterCommandLine, PathsWithBlanksAreQuotedAndSplitBack)
{
    const std::string line = ConverterCommandLine("/home/a b/tools/", "/home/a b/temp/");
    EXPECT_EQ(line.rfind("\"/home/a b/tools/nnn.exe\" -i \"/home/a b/temp/temp.flv\" -vcodec", 0),
              0u)
        << line;
    const std::vector<std::string> arguments = platform::SplitCommandLine(line);
    ASSERT_EQ(arguments.size(), 24u);
    EXPECT_EQ(arguments[0], "/home/a b/tools/nnn.exe");
    EXPECT_EQ(arguments[2], "/home/a b/temp/temp.flv");
    EXPECT_EQ(arguments.back(), "/home/a b/temp/temp.avi");
}

TEST(SplitCommandLine, WindowsRules)
{
    using Args = std::vector<std::string>;
    const std::pair<std::string, Args> cases[] = {
        {"a b  c", {"a", "b", "c"}},
        {"  lead\ttab ", {"lead", "tab"}},
        {R"("a b" c)", {"a b", "c"}},
        {R"(x"y z"w)", {"xy zw"}},
        {R"(a\b c\\d)", {R"(a\b)", R"(c\\d)"}},
        {R"(a\"b)", {R"(a"b)"}},
        {R"(a\\"b c")", {R"(a\b c)"}},
        {R"("")", {""}},
        {"", {}},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(platform::SplitCommandLine(line), expected) << line;
}

} // namespace
} // namespace clipvane
