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

// Documents whose parse would cost far more than their size are refused
// before the parser sees them, at once and with the playlist's message.
TEST(Playlist, CostlyDocumentsAreRefusedBeforeTheyAreParsed)
{
    // One internal entity of 50,000 characters, referenced 4,000 times in an
    // attribute: 62 kB that would grow to 200 MB.
    std::string wide = "<!DOCTYPE l [<!ENTITY w \"" + std::string(50000, 'w') +
                       "\">]>\n<l><STREAM " + kFull.substr(0, kFull.size() - 1) + "\" NOTE=\"";
    for (int i = 0; i < 4000; ++i)
        wide += "&w;";
    wide += "\"/></l>";
    std::string crowded = "<l>\n<STREAM " + kFull;
    for (int i = 0; i < 200000; ++i)
        crowded += " a" + std::to_string(i) + "=\"\"";
    crowded += "/></l>";
    const std::string parameter =
        "<!DOCTYPE l [<!ENTITY % p \"<!ENTITY q 'x'>\"> %p;]><l><STREAM " + kFull + "/></l>";
    const struct
    {
        const char* name;
        std::string xml;
        std::string says;
    } cases[] = {
        {"an entity repeated", wide, "(line 1): its entities would make it 200000000 bytes long"},
        {"200,000 attributes", crowded, "(line 2): an element has more than 1000 attributes"},
        {"a parameter entity", parameter, "(line 1): parameter entities are not allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(Build(c.xml, &error), "");
        EXPECT_EQ(error, "The playlist cannot be read " + c.says);
    }

    // A few references to a short entity are what entities are for.
    std::string few = "<!DOCTYPE l [<!ENTITY h \"s.example\">]><l><STREAM URLPREFIX=\"http://\" "
                      "SERVER=\"&h;\" PATH=\"/p.flv\" QUERYSTRING=\"a=&h;&h;\"/></l>";
    std::string error;
    EXPECT_EQ(Build(few, &error), "http://s.example/p.flv?a=s.examples.example") << error;
}

// A document in UTF-16, with or without its byte order mark, is read as
// the same document in UTF-8 is.
TEST(Playlist, Utf16DocumentsAreRead)
{
    const std::string ascii = "<l><STREAM " + kFull + "/></l>";
    auto utf16 = [](const std::string& text, bool little, bool mark) {
        std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
        for (const char c : text)
            bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
        return bytes;
    };
    const struct
    {
        const char* name;
        std::string xml;
    } cases[] = {
        {"little-endian with its mark",
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + ascii, true, true)},
        {"big-endian with its mark",
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + ascii, false, true)},
        {"little-endian, declared only",
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + ascii, true, false)},
        {"UTF-8 as before", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + ascii},
        {"Latin-1 as before", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + ascii},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_EQ(Build(c.xml, &error), "http://s.example/p.flv?a=1");
        EXPECT_EQ(error, "");
    }
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
