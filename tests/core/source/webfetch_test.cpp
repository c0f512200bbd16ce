#include "core/source/servicehosts.h"
#include "core/source/webfetch.h"
#include "support/standinfixture.h"

#include <random>

namespace clipvane {
namespace {

using standin::Fault;
using standin::Response;

class WebFetchTest : public test::StandinTest
{
protected:
    static Response body(std::string bytes)
    {
        Response r;
        r.body = std::move(bytes);
        return r;
    }
};

TEST_F(WebFetchTest, FetchSendsMozillaAndOneAcceptAndKeepsEveryByte)
{
    const std::string bytes = std::string("line one\r\n\0\0binary\xFF\x80 tail", 25);
    server().setRoute("/doc", body(bytes));
    EXPECT_EQ(FetchUrlText(server().address("/doc?a=1&b=%20x")), bytes);

    const auto request = onlyRequest();
    EXPECT_EQ(request.requestLine, "GET /doc?a=1&b=%20x HTTP/1.1");
    EXPECT_EQ(request.header("User-Agent"), "Mozilla");
    EXPECT_EQ(request.count("Accept"), 1);
    EXPECT_EQ(request.header("Accept"), "*/*");
    EXPECT_EQ(request.count("Cookie"), 0);
}

TEST_F(WebFetchTest, FetchReadsBodiesOfEverySizeWhole)
{
    std::mt19937 random(7);
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{3071}, std::size_t{3072}, std::size_t{3073},
          std::size_t{6144}, std::size_t{1} << 20}) {
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        server().setRoute("/sized", body(bytes));
        EXPECT_EQ(FetchUrlText(server().address("/sized")), bytes) << size << " bytes";
    }
}

TEST_F(WebFetchTest, StatusIsNotExaminedAndRedirectsAreFollowedOnlyToTheWeb)
{
    EXPECT_NE(FetchUrlText(server().address("/no/such/page")).find("Not Found"), std::string::npos);

    Response moved;
    moved.status = 302;
    moved.reason = "Found";
    moved.headers = {{"Location", "/final"}};
    server().setRoute("/moved", moved);
    server().setRoute("/final", body("arrived"));
    EXPECT_EQ(FetchUrlText(server().address("/moved")), "arrived");

    Response toFile = moved;
    toFile.headers = {{"Location", "file:///etc/passwd"}};
    server().setRoute("/to-file", toFile);
    EXPECT_EQ(FetchUrlText(server().address("/to-file")), "");

    Response loop = moved;
    loop.headers = {{"Location", "/loop"}};
    server().setRoute("/loop", loop);
    EXPECT_EQ(FetchUrlText(server().address("/loop")), "");
}

TEST_F(WebFetchTest, FailuresGiveTheEmptyResults)
{
    const std::string unreachable = "http://127.0.0.1:1/x";
    const std::string addresses[] = {unreachable,
                                     "file:///etc/passwd",
                                     "ftp://127.0.0.1/x",
                                     "gopher://127.0.0.1/",
                                     "127.0.0.1/no-scheme",
                                     "http://",
                                     "",
                                     "not an address"};
    for (const std::string& address : addresses) {
        EXPECT_EQ(FetchUrlText(address), "") << address;
        EXPECT_EQ(GetContentLength(address), 0) << address;
        EXPECT_FALSE(CheckConnection(address)) << address;
    }
    EXPECT_TRUE(server().requests().empty());
}

TEST_F(WebFetchTest, CutConnectionKeepsWhatArrivedAndHugeDocumentsAreRefused)
{
    Response cut = body(std::string(10000, 'c'));
    cut.plan.fault = Fault::Cut;
    cut.plan.afterBytes = 5000;
    server().setRoute("/cut", cut);
    EXPECT_EQ(FetchUrlText(server().address("/cut")), std::string(5000, 'c'));

    const standin::Clip* huge = server().clipByVid("2009");
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(FetchUrlText(server().pageAddress(*huge)), "");
}

struct LengthCase
{
    const char* name;
    std::optional<std::string> header; // nothing: no Content-Length at all
    std::int64_t expected;
};

TEST_F(WebFetchTest, ContentLengthTable)
{
    const LengthCase cases[] = {
        {"plain", "12345", 12345},
        {"zero", "0", 0},
        {"two_gigabytes", "2147483648", 2147483648},
        {"a_hundred_gigabytes", "99999999999", 99999999999},
        {"largest", "9223372036854775807", INT64_MAX},
        {"too_large", "9223372036854775808", 0},
        {"far_too_large", "99999999999999999999999", 0},
        {"absent", std::nullopt, 0},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(c.name);
        Response r;
        r.body = "";
        r.contentLength = c.header;
        r.omitLength = !c.header;
        // The body is never read: it stalls after the headers.
        r.plan.fault = Fault::Stall;
        r.plan.afterBytes = 0;
        server().setRoute(std::string("/len-") + c.name, r);
        EXPECT_EQ(GetContentLength(server().address(std::string("/len-") + c.name)), c.expected);
    }
    // A part where the whole was asked for: the whole's size, when the part
    // is its beginning; else nothing to go by.
    const std::pair<std::string, std::int64_t> parts[] = {
        {"bytes 0-81621/163244", 163244},
        {"bytes 0-81621/*", 0},
        {"bytes 100-199/1000", 0},
        {"nonsense", 0},
    };
    for (const auto& [range, expected] : parts) {
        SCOPED_TRACE(range);
        Response part;
        part.status = 206;
        part.reason = "Partial Content";
        part.headers = {{"Content-Range", range}};
        part.body = std::string(81622, 'p');
        server().setRoute("/part", part);
        EXPECT_EQ(GetContentLength(server().address("/part")), expected);
    }
    const auto requests = server().requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front().header("User-Agent"), "Internet Explorer");
    EXPECT_EQ(requests.front().count("Accept"), 0);

    // An error page that carries a length gives that length.
    const std::string notFound = FetchUrlText(server().address("/missing"));
    EXPECT_EQ(GetContentLength(server().address("/missing")),
              static_cast<std::int32_t>(notFound.size()));
}

TEST(ContentLengthValue, Rule)
{
    const std::pair<std::string, std::int64_t> cases[] = {
        {"42", 42},
        {"  42", 42},
        {"+42", 42},
        {"-42", -42},
        {"", 0},
        {"4 2", 0},
        {"0x10", 0},
        {"$10", 0},
        {"42abc", 0},
        {"-2147483649", -2147483649},
        {"-9223372036854775808", INT64_MIN},
        {"-9223372036854775809", 0},
        {std::string("7\0"
                     "9",
                     3),
         7},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ContentLengthValue(text), expected) << text;
}

TEST_F(WebFetchTest, ProbeTable)
{
    const std::pair<std::string, bool> cases[] = {
        {"12345", true},   {"12345abc", true}, {"1234567890123", true}, {"1234", false},
        {" 12345", false}, {"", false},        {"54321", false},
    };
    for (const auto& [content, expected] : cases) {
        server().setRoute("/files/vidudoz/test.txt", body(content));
        EXPECT_EQ(CheckConnection(server().address("/files/vidudoz/test.txt")), expected)
            << content;
    }
    const auto request = server().requests().front();
    EXPECT_EQ(request.requestLine, "GET /files/vidudoz/test.txt HTTP/1.1");
    EXPECT_EQ(request.header("User-Agent"), "Mozilla");
    EXPECT_EQ(request.count("Accept"), 0);
}

TEST_F(WebFetchTest, ProbeUsesTheMakersHostAndReadsOnlyItsFirstBytes)
{
    const ServiceHosts saved = CurrentHosts();
    ServiceHosts hosts;
    hosts.maker = server().hostPort();
    SetCurrentHosts(hosts);
    // Ten bytes, then silence: one read of ten bytes must not wait for more.
    Response r = body("12345abcdefghij");
    r.plan.fault = Fault::Stall;
    r.plan.afterBytes = 10;
    server().setRoute("/files/vidudoz/test.txt", r);
    EXPECT_TRUE(CheckConnection());
    SetCurrentHosts(saved);
    EXPECT_EQ(onlyRequest().target(), "/files/vidudoz/test.txt");
}

TEST_F(WebFetchTest, EveryOperationSeesTheFinalAnswerAfterRedirects)
{
    // Another host: a second server on its own port, as a content network.
    standin::Server other;
    ASSERT_TRUE(other.start(0));
    Response final = body("12345 the final answer");
    server().setRoute("/final", final);
    other.setRoute("/final", final);

    for (const int code : {301, 302, 303, 307, 308}) {
        for (const bool otherHost : {false, true}) {
            for (const bool lengthOnRedirect : {false, true}) {
                SCOPED_TRACE(std::to_string(code) +
                             (otherHost ? " to another host" : " to the same host") +
                             (lengthOnRedirect ? ", with a length" : ", without a length"));
                Response moved = body(lengthOnRedirect ? "<html>moved</html>" : "");
                moved.status = code;
                moved.reason = "Moved";
                moved.headers = {
                    {"Location", otherHost ? other.address("/final") : std::string("/final")}};
                moved.omitLength = !lengthOnRedirect;
                server().setRoute("/moved", moved);
                const std::string address = server().address("/moved");
                EXPECT_EQ(FetchUrlText(address), "12345 the final answer");
                EXPECT_EQ(GetContentLength(address), 22);
                EXPECT_TRUE(CheckConnection(address));
            }
        }
    }

    // The rules that hold for a page hold for the others as well: a loop
    // fails, and so does a redirect to anything but the web.
    Response loop = body("");
    loop.status = 302;
    loop.headers = {{"Location", "/loop"}};
    server().setRoute("/loop", loop);
    Response away = body("");
    away.status = 302;
    away.headers = {{"Location", "file:///etc/passwd"}};
    server().setRoute("/away", away);
    for (const char* path : {"/loop", "/away"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(FetchUrlText(server().address(path)), "");
        EXPECT_EQ(GetContentLength(server().address(path)), 0);
        EXPECT_FALSE(CheckConnection(server().address(path)));
    }
}

TEST_F(WebFetchTest, ADocumentThatDripsRunsOutOfTime)
{
    SetDocumentDeadlineForTests(2);
    Response drip = body("12345" + std::string(600, 'd'));
    drip.plan.fault = Fault::Drip;
    drip.plan.pauseMs = 50; // never silent for long, never done in time
    server().setRoute("/drip", drip);
    EXPECT_EQ(FetchUrlText(server().address("/drip")), "") << "no part of a document";
    Response slowProbe = body("1234567890");
    slowProbe.plan.fault = Fault::Drip;
    slowProbe.plan.pauseMs = 400;
    server().setRoute("/slowprobe", slowProbe);
    EXPECT_FALSE(CheckConnection(server().address("/slowprobe")));
    // A document that comes in time is not affected.
    server().setRoute("/quick", body("12345 quick"));
    EXPECT_EQ(FetchUrlText(server().address("/quick")), "12345 quick");
    SetDocumentDeadlineForTests(0);
}

} // namespace
} // namespace clipvane
