#include "core/settings/outputfolder.h"
#include "platform/folders.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(OutputFolder, NormalisationTable)
{
    const std::string home = platform::HomeFolder();
    ASSERT_EQ(home.back(), '/');
    const std::pair<std::string, std::string> cases[] = {
        {"/media/clips", "/media/clips/"},
        {"/media/clips/", "/media/clips/"},
        {"/", "/"},
        {"", home},
        {"clips", "clips/"},
        {"/media/clips//", "/media/clips//"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(NormalizeOutputFolder(text), expected) << "text: [" << text << "]";
}

} // namespace
} // namespace clipvane
