#include "core/source/pagemedia.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace clipvane {
namespace {

std::string Shared(const std::string& name)
{
    std::ifstream in(std::string(CLIPVANE_SHARED) + "/realweb/pages/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

// Where the other extractor found nothing and the page does hold a video:
// this company page plays its clip in a <video src> (an MP4 at 640p, its
// type "video/mp4" in the element's data-sources).
const std::map<std::string, std::string> kBetterAnswers = {
    {"linkedin-company",
     "https://dms.licdn.com/playlist/vid/v2/D5610AQFm-4FcWDnaZg/mp4-640p-30fp-crf28/"
     "mp4-640p-30fp-crf28/0/1727719279755?e=2147483647&v=beta&t=XKTlrx2-5ob6XOsyK2eZ3z2b2xluNAm4-"
     "d-jATMhOiU"},
};

// Pages captured from real sites, each read as the program reads a page,
// against what another extractor found on it: the same address (or one of
// its alternatives) on the pages with a video, none on the others.
TEST(PageMedia, RealPagesGiveWhatTheyHold)
{
    const std::vector<std::string> rows = Split(Shared("expected.tsv"), '\n');
    ASSERT_GT(rows.size(), 90u);
    int withVideo = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> columns = Split(rows[i], '\t');
        ASSERT_GE(columns.size(), 4u) << rows[i];
        const std::string& name = columns[0];
        SCOPED_TRACE(name);
        const std::string page = Shared(name + ".html");
        ASSERT_FALSE(page.empty());
        const PageFindings found = FindPageMedia(page, columns[1]);
        if (const auto better = kBetterAnswers.find(name); better != kBetterAnswers.end()) {
            ASSERT_FALSE(found.media.empty());
            EXPECT_EQ(found.media.front(), better->second);
            continue;
        }
        if (columns[3] == "-") {
            EXPECT_TRUE(found.media.empty()) << found.media.front();
            continue;
        }
        ++withVideo;
        ASSERT_FALSE(found.media.empty());
        const std::vector<std::string> right = Split(columns[3], '|');
        EXPECT_NE(std::find(right.begin(), right.end(), found.media.front()), right.end())
            << found.media.front();
    }
    EXPECT_EQ(withVideo, 10);
}

// Pages made the way real sites make them, each with one way of naming its
// video; the title read as the user will see it (before the file-name rule).
TEST(PageMedia, EachWayOfNamingAVideo)
{
    const std::string page = "https://site.example/news/story.html?id=1";
    const struct
    {
        const char* name;
        std::string html;
        std::string charset; // from the Content-Type header
        std::string media;   // the first address, or empty for none
        std::string title;
        std::string player; // the first <iframe>, if one is expected
    } cases[] = {
        {"secure address beside a player page",
         "<meta property=\"og:video\" content=\"https://site.example/player?id=7\">"
         "<meta property=\"og:video:type\" content=\"text/html\">"
         "<meta property=\"og:video:secure_url\" "
         "content=\"https://cdn.example/v/7.mp4?a=1&amp;b=2\">"
         "<meta property=\"og:title\" content=\"Harbour &amp; lights\">",
         "", "https://cdn.example/v/7.mp4?a=1&b=2", "Harbour & lights", ""},
        {"Flash is skipped", "<meta property=\"og:video\" content=\"https://s.example/p.swf\">", "",
         "", "", ""},
        {"twitter stream",
         "<meta name=\"twitter:player:stream\" content=\"/clips/9.mp4\">"
         "<meta name=\"twitter:title\" content=\"  Nine   lives \">",
         "", "https://site.example/clips/9.mp4", "Nine lives", ""},
        {"relative JSON-LD inside @graph",
         "<script type=\"application/ld+json\">{\"@context\":\"https://schema.org\",\"@graph\":"
         "[{\"@type\":\"WebPage\"},{\"@type\":[\"VideoObject\"],\"name\":\"Graph clip\","
         "\"contentUrl\":\"media/graph.mp4\"}]}</script><title>Other</title>",
         "", "https://site.example/news/media/graph.mp4", "Graph clip", ""},
        {"a source under a base",
         "<base href=\"https://static.example/assets/\"><video><source src=\"clip.webm\" "
         "type=\"video/webm\"><source src=\"clip.mp4\" type=\"video/mp4\"></video>",
         "", "https://static.example/assets/clip.mp4", "", ""},
        {"lazy data-src beside a placeholder",
         "<video src=\"//:0\" data-src=\"//cdn.example/lazy.mp4\"></video>", "",
         "https://cdn.example/lazy.mp4", "", ""},
        {"addresses that are no web media",
         "<video src=\"blob:https://site.example/1\"><source src=\"data:video/mp4;base64,AAAA\">"
         "<source src=\"javascript:play()\"><source src=\"file:///etc/passwd\"></video>",
         "", "", "", ""},
        {"an embedded player", "<title>Embed</title><p><iframe src=\"/embed/42\"></iframe></p>", "",
         "", "Embed", "https://site.example/embed/42"},
        {"entities in the title", "<title>Tom &amp; Jerry &#8211; the &quot;chase&quot;</title>",
         "", "", "Tom & Jerry \xE2\x80\x93 the \"chase\"", ""},
        {"Latin-1 by the header", "<title>Caf\xE9 cr\xE8me</title>", "iso-8859-1", "",
         "Caf\xC3\xA9 cr\xC3\xA8me", ""},
        {"Latin-1 by the page", "<meta charset=\"ISO-8859-1\"><title>na\xEFve</title>", "", "",
         "na\xC3\xAFve", ""},
        {"UTF-8 by the page", "<meta charset=\"utf-8\"><title>\xE6\x97\xA5\xE6\x9C\xAC</title>", "",
         "", "\xE6\x97\xA5\xE6\x9C\xAC", ""},
        {"broken and unclosed", "<html><head><title>Half<body><div><video src=\"a.mp4\"><p>", "",
         "https://site.example/news/a.mp4", "Half", ""},
        {"a NUL byte", std::string("<title>Nul</title>\0<video src=\"n.mp4\"></video>", 46), "",
         "https://site.example/news/n.mp4", "Nul", ""},
        {"HLS after MP4 in one video",
         "<video><source src=\"s.m3u8\" type=\"application/x-mpegURL\"><source src=\"s.mp4\">"
         "</video>",
         "", "https://site.example/news/s.mp4", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PageFindings found = FindPageMedia(c.html, page, c.charset);
        EXPECT_EQ(found.media.empty() ? std::string() : found.media.front(), c.media);
        EXPECT_EQ(found.title, c.title);
        if (!c.player.empty()) {
            ASSERT_FALSE(found.players.empty());
            EXPECT_EQ(found.players.front(), c.player);
        }
    }
}

} // namespace
} // namespace clipvane
