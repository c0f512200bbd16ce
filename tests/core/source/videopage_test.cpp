#include "core/source/videopage.h"
#include "support/testenv.h"

#include <gtest/gtest.h>

namespace clipvane {
namespace {

struct PageCase
{
    const char* name;
    std::string body;
    std::string clipId;
    std::string title;
};

class ScrapePageTable : public ::testing::TestWithParam<PageCase>
{
};

TEST_P(ScrapePageTable, CutsIdAndTitle)
{
    const PageCase& c = GetParam();
    const ScrapedPage page = ScrapePage(c.body, "14:05:09");
    EXPECT_EQ(page.clipId, c.clipId);
    EXPECT_EQ(page.title, c.title);
}

const std::string k300(300, 'z');

INSTANTIATE_TEST_SUITE_P(
    Pages, ScrapePageTable,
    ::testing::Values(
        PageCase{"empty_body", "", "", "video14_05_09"},
        PageCase{"typical",
                 "<html>\r\n<title>My clip - Yahoo! Video</title>\r\ny_up_eAutoStart('12345', "
                 "true);\r\n",
                 "12345", "My clip"},
        PageCase{"quote_after_marker", "var y_up_eAutoStart = '12345';\n", "12345",
                 "video14_05_09"},
        PageCase{"marker_in_capitals", "Y_UP_EAUTOSTART('777')\n", "777", "video14_05_09"},
        PageCase{"quote_before_marker", "x='abc' y_up_eAutoStart('1')\n", "abc", "video14_05_09"},
        PageCase{"no_quote_whole_line", "y_up_eAutoStart(99)\n", "y_up_eAutoStart(99)",
                 "video14_05_09"},
        PageCase{"one_quote_rest_of_line", "y_up_eAutoStart('99)\n", "99)", "video14_05_09"},
        PageCase{"adjacent_quotes_next_line", "y_up_eAutoStart('')\ny_up_eAutoStart('42')\n", "42",
                 "video14_05_09"},
        PageCase{"long_tail_after_quote", "y_up_eAutoStart('id'" + k300 + "\n",
                 "id" + std::string(46, 'z'), "video14_05_09"},
        PageCase{"nul_hides_later_lines",
                 std::string("<title>A</title>\n\0y_up_eAutoStart('5')\n", 39), "", "A"},
        PageCase{"cr_only_lines", "<title>T</title>\ry_up_eAutoStart('8')\r", "8", "T"},
        PageCase{"suffix_in_capitals", "<title>Loud - YAHOO! VIDEO</title>\n", "", "Loud"},
        PageCase{"suffix_twice", "<title>A - Yahoo! Video - Yahoo! Video</title>\n", "",
                 "A - Yahoo! Video"},
        PageCase{"empty_title_next_line", "<title></title>\n<title>Second</title>\n", "", "Second"},
        PageCase{"empty_titles_fallback", "<title></title>\n<TITLE> - Yahoo! Video</TITLE>\n", "",
                 "video14_05_09"},
        PageCase{"entities_kept", "<title>Tom &amp; Jerry</title>\n", "", "Tom &amp; Jerry"},
        PageCase{"replacements", "<title>a\\b/c:d?e*f\"g<h>i|j</title>\n", "",
                 "a_b_c_d_e_f_g_h_i|j"},
        PageCase{"title_runs_on", "<title>Starts here\nand ends</title>\n", "", "Starts here"},
        PageCase{"upper_case_tags", "<TITLE>Shout</TITLE>\n", "", "Shout"},
        PageCase{"tail_after_close_tag_kept", "<title>T</title>" + std::string(247, '.') + "KEPT\n",
                 "", "TKEPT"},
        PageCase{"title_53_stays", "<title>" + std::string(53, 'a') + "</title>\n", "",
                 std::string(53, 'a')},
        PageCase{"title_54_cut", "<title>" + std::string(54, 'a') + "</title>\n", "",
                 std::string(50, 'a') + "..."}),
    [](const ::testing::TestParamInfo<PageCase>& param) { return std::string(param.param.name); });

TEST(CleanTitle, CountsUtf8CharactersAndNeverSplitsOne)
{
    std::string fiftyFourE;
    for (int i = 0; i < 54; ++i)
        fiftyFourE += "\xC3\xA9"; // é, two bytes
    std::string fiftyE;
    for (int i = 0; i < 50; ++i)
        fiftyE += "\xC3\xA9";
    EXPECT_EQ(CleanTitle(fiftyFourE), fiftyE + "...");
    EXPECT_EQ(CleanTitle(fiftyE + "\xC3\xA9\xC3\xA9\xC3\xA9"), fiftyE + "\xC3\xA9\xC3\xA9\xC3\xA9")
        << "53 characters";
    // Not UTF-8: counted in bytes.
    const std::string latin1(54, '\xE9');
    EXPECT_EQ(CleanTitle(latin1), std::string(50, '\xE9') + "...");
}

TEST(ScrapeVideoPage, UnreachablePageLeavesAFallbackTitle)
{
    const ScrapedPage page = ScrapeVideoPage("http://127.0.0.1:1/video/play?vid=1");
    EXPECT_EQ(page.clipId, "");
    const std::string& title = page.title;
    ASSERT_GE(title.size(), 10u);
    EXPECT_EQ(title.substr(0, 5), "video");
    EXPECT_EQ(title.find(':'), std::string::npos);
    EXPECT_NE(title.find('_'), std::string::npos) << title;
}

} // namespace
} // namespace clipvane
