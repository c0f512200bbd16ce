#include "core/base/error.h"
#include "core/source/playlist.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

struct PlaylistCase
{
    const char* name;
    std::string xml;
    std::string address; // expected when no error
    std::string error;   // a part of the expected error text, or empty
};

class PlaylistTable : public ::testing::TestWithParam<PlaylistCase>
{
};

std::string Build(const std::string& xml, std::string* error)
{
    XmlDocument document;
    try {
        document.loadFromText(xml);
        return BuildStreamUrl(document);
    } catch (const Error& e) {
        *error = e.what();
        return {};
    }
}

TEST_P(PlaylistTable, BuildsTheStreamAddress)
{
    const PlaylistCase& c = GetParam();
    std::string error;
    const std::string address = Build(c.xml, &error);
    if (c.error.empty()) {
        EXPECT_EQ(error, "");
        EXPECT_EQ(address, c.address);
    } else {
        EXPECT_NE(error.find(c.error), std::string::npos) << "error: " << error;
        EXPECT_EQ(error.rfind("The playlist cannot be read (line ", 0), 0u) << error;
    }
}

const std::string kFull =
    R"(URLPREFIX="http://" SERVER="s.example" PATH="/p.flv" QUERYSTRING="a=1")";

INSTANTIATE_TEST_SUITE_P(
    Documents, PlaylistTable,
    ::testing::Values(
        PlaylistCase{"typical", "<?xml version=\"1.0\"?>\n<list><STREAM " + kFull + "/></list>",
                     "http://s.example/p.flv?a=1", ""},
        PlaylistCase{
            "last_of_two_streams",
            "<l><STREAM " + kFull +
                "/><STREAM URLPREFIX=\"x\" SERVER=\"y\" PATH=\"z\" QUERYSTRING=\"q\"/></l>",
            "xyz?q", ""},
        PlaylistCase{"lower_case_element", "<l><stream " + kFull + "/></l>",
                     "http://s.example/p.flv?a=1", ""},
        PlaylistCase{"grandchild_not_found", "<l><g><STREAM " + kFull + "/></g></l>", "", ""},
        PlaylistCase{"root_named_stream", "<STREAM " + kFull + "/>", "", ""},
        PlaylistCase{"prefixed_name_not_found",
                     "<l xmlns:v=\"urn:v\"><v:STREAM " + kFull + "/></l>", "", ""},
        PlaylistCase{"all_empty",
                     R"(<l><STREAM URLPREFIX="" SERVER="" PATH="" QUERYSTRING=""/></l>)", "?", ""},
        PlaylistCase{"empty_query",
                     R"(<l><STREAM URLPREFIX="h" SERVER="s" PATH="/p" QUERYSTRING=""/></l>)",
                     "hs/p?", ""},
        PlaylistCase{
            "entities_resolved",
            R"(<l><STREAM URLPREFIX="http://" SERVER="s" PATH="/p" QUERYSTRING="a=1&amp;b=&#50;"/></l>)",
            "http://s/p?a=1&b=2", ""},
        PlaylistCase{"internal_entity_resolved",
                     "<!DOCTYPE l [<!ENTITY h \"s.example\">]><l><STREAM URLPREFIX=\"http://\" "
                     "SERVER=\"&h;\" "
                     "PATH=\"/p\" QUERYSTRING=\"\"/></l>",
                     "http://s.example/p?", ""},
        PlaylistCase{"other_children_ignored",
                     "<l><!-- STREAM --><x/>STREAM text<STREAM " + kFull + " EXTRA=\"1\"/><y/></l>",
                     "http://s.example/p.flv?a=1", ""},
        PlaylistCase{"lower_case_attribute",
                     R"(<l><STREAM urlprefix="h" SERVER="s" PATH="/p" QUERYSTRING=""/></l>)", "",
                     "no URLPREFIX attribute"},
        PlaylistCase{"missing_query", R"(<l><STREAM URLPREFIX="h" SERVER="s" PATH="/p"/></l>)", "",
                     "no QUERYSTRING attribute"},
        PlaylistCase{"empty_body", "", "", "Start tag expected"},
        PlaylistCase{"html_page", "<html><body><p>Not found<br></body></html>", "",
                     "Premature end of data"},
        PlaylistCase{"truncated", "<?xml version=\"1.0\"?>\n<list>\n<STREAM URLPREFIX=\"h", "",
                     "(line 4)"}),
    [](const ::testing::TestParamInfo<PlaylistCase>& param) {
        return std::string(param.param.name);
    });

TEST(Playlist, ExternalEntitiesAreNeverRead)
{
    const QString secret = test::NewFolder(QStringLiteral("xxe")) + QStringLiteral("/secret.txt");
    test::WriteFile(secret, "TOPSECRET");
    const std::string xml =
        "<!DOCTYPE l [<!ENTITY s SYSTEM \"file://" + QFile::encodeName(secret).toStdString() +
        "\">]><l><STREAM URLPREFIX=\"&s;\" SERVER=\"\" PATH=\"\" QUERYSTRING=\"\"/></l>";
    std::string error;
    const std::string address = Build(xml, &error);
    EXPECT_EQ(address.find("TOPSECRET"), std::string::npos);
    EXPECT_EQ(error.find("TOPSECRET"), std::string::npos);
}

TEST(Playlist, EntityExpansionBombIsAParseError)
{
    std::string dtd = "<!DOCTYPE l [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i <= 12; ++i) {
        std::string refs;
        for (int k = 0; k < 10; ++k)
            refs += "&a" + std::to_string(i - 1) + ";";
        dtd += "<!ENTITY a" + std::to_string(i) + " \"" + refs + "\">";
    }
    dtd += "]>";
    std::string error;
    const std::string address =
        Build(dtd + "<l><STREAM URLPREFIX=\"&a12;\" SERVER=\"\" PATH=\"\" QUERYSTRING=\"\"/></l>",
              &error);
    EXPECT_LT(address.size(), 1000000u);
    EXPECT_NE(error, "") << "a billion-laughs document must be refused";
}

TEST(Playlist, ALoadReplacesTheDocumentAndAFailedOneLeavesNone)
{
    XmlDocument document;
    document.loadFromText("<l><STREAM " + kFull + "/></l>");
    EXPECT_EQ(BuildStreamUrl(document), "http://s.example/p.flv?a=1");
    EXPECT_THROW(document.loadFromText("<broken"), Error);
    EXPECT_EQ(document.documentElement(), nullptr);
    EXPECT_EQ(BuildStreamUrl(document), "");
}

} // namespace
} // namespace clipvane
