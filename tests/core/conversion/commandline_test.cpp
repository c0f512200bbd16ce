#include "core/conversion/commandline.h"

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
    const std::vector<std::string> arguments = SplitCommandLine(line);
    ASSERT_EQ(arguments.size(), 24u);
    EXPECT_EQ(arguments[0], "/home/a b/tools/nnn.exe");
    EXPECT_EQ(arguments[2], "/home/a b/temp/temp.flv");
    EXPECT_EQ(arguments.back(), "/home/a b/temp/temp.avi");
}

TEST(ConverterCommandLine, EveryPathSurvivesTheBuilderAndTheSplitter)
{
    const struct
    {
        const char* name;
        std::string path;
        std::string token; // how it stands on the command line
    } cases[] = {
        {"plain", "/home/u/x", "/home/u/x"},
        {"blank", "/home/a b", "\"/home/a b\""},
        {"tab", "/home/a\tb", "\"/home/a\tb\""},
        {"quote", "/home/o\"neil", R"("/home/o\"neil")"},
        {"backslashes before a quote", R"(/x\\"y)", R"("/x\\\\\"y")"},
        {"backslashes at the end", "/x y\\\\", R"("/x y\\\\")"},
        {"backslash inside", R"(/a\b c)", R"("/a\b c")"},
        {"non-ASCII", "/home/J\xC3\xBCrgen M\xC3\xBCller", "\"/home/J\xC3\xBCrgen M\xC3\xBCller\""},
        {"empty", "", "\"\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CommandLinePath(c.path), c.token);
        EXPECT_EQ(SplitCommandLine("tool " + CommandLinePath(c.path) + " next"),
                  (std::vector<std::string>{"tool", c.path, "next"}));
        // The folders of a real job, each with the same oddity.
        const std::vector<std::string> job =
            SplitCommandLine(ConverterCommandLine(c.path + "/tools/", c.path + "/temp/"));
        ASSERT_EQ(job.size(), 24u);
        EXPECT_EQ(job[0], c.path + "/tools/nnn.exe");
        EXPECT_EQ(job[2], c.path + "/temp/temp.flv");
        EXPECT_EQ(job.back(), c.path + "/temp/temp.avi");
    }
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
        EXPECT_EQ(SplitCommandLine(line), expected) << line;
}

} // namespace
} // namespace clipvane
