#include "core/source/internet.h"
#include "support/aviprobe.h"
#include "support/jobfixture.h"
#include "support/testcertificates.h"

#include <algorithm>

namespace clipvane {
namespace {

using test::JobTest;

// Pages of today's web from the stand-in, each naming its video one way,
// saved through the windows as a service clip is.
class WebPagesTest : public JobTest
{
protected:
    void TearDown() override
    {
        SetCertificateAuthorityForTests({});
        JobTest::TearDown();
    }

    // The paths the stand-in served, in order.
    std::vector<std::string> served(const standin::Server& from)
    {
        std::vector<std::string> paths;
        for (const auto& request : from.requests())
            paths.push_back(request.path());
        return paths;
    }
    static bool has(const std::vector<std::string>& paths, const std::string& path)
    {
        return std::find(paths.begin(), paths.end(), path) != paths.end();
    }
};

TEST_F(WebPagesTest, EachKindOfPageIsSavedUnderItsTitle)
{
    const struct
    {
        const char* page;
        std::string file;   // saved as
        std::string stream; // the path downloaded
    } cases[] = {
        {"/web/og.html", "Open Graph clip & friends.AVI", "/media/clip.mp4"},
        {"/web/twitter.html", "A card with blanks.AVI", "/media/clip.mp4"},
        {"/web/jsonld.html", "JSON-LD clip.AVI", "/media/clip.webm"},
        {"/web/video.html", "Video element \xE2\x80\x93 a test.AVI", "/media/clip.mp4"},
        {"/web/base.html", "Under a base.AVI", "/media/clip.ts"},
        {"/web/lazy.html", "Lazy.AVI", "/media/clip-vp8.webm"},
        {"/web/embed.html", "An embedded player.AVI", "/media/clip.mp4"},
        {"/web/latin1.html", "Caf\xC3\xA9 cr\xC3\xA8me & more.AVI", "/media/clip.mp4"},
        {"/web/turnaway.html", "Browsers only.AVI", "/media/clip.mp4"},
        {"/web/cookie.html", "With a cookie.AVI", "/web/guarded.mp4"},
        {"/media/clip.mp4", "clip.AVI", "/media/clip.mp4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        server().clearRequests();
        EXPECT_EQ(texts(run(server().address(c.page))), (std::vector<std::string>{"Done."}));
        EXPECT_EQ(outputFiles(), QStringList{QString::fromStdString(c.file)});
        const std::vector<std::string> paths = served(server());
        EXPECT_TRUE(has(paths, c.stream)) << c.stream;
        for (const std::string& path : paths)
            EXPECT_TRUE(path == c.stream || path.rfind("/media/", 0) != 0)
                << "another medium was fetched: " << path;
        test::ExpectTheAviProfile(test::ProbeStreams(m_out + c.file));
        QFile::remove(QString::fromStdString(m_out + c.file));
    }
}

TEST_F(WebPagesTest, RequestsLookLikeABrowsersAndTheServicesStayAsTheyWere)
{
    EXPECT_EQ(texts(run(server().address("/web/cookie.html"))),
              (std::vector<std::string>{"Done."}));
    const auto requests = server().requests();
    ASSERT_GE(requests.size(), 3u);
    // The page first, asked as the service asks (with the cookies the
    // process holds, as it always did): nothing else to tell them apart.
    const std::string& page = requests[1].head;
    EXPECT_EQ(page.rfind("GET /web/cookie.html HTTP/1.1\r\nHost: " + server().hostPort() +
                             "\r\nUser-Agent: Mozilla\r\n",
                         0),
              0u)
        << page;
    EXPECT_TRUE(page.ends_with("Accept: */*\r\n\r\n")) << page;
    EXPECT_EQ(requests[1].headerLines.size(), 3u + requests[1].count("Cookie")) << page;
    // The media as a browser asks for it: the page's cookie, the page as Referer.
    const standin::RecordedRequest& media = requests.back();
    EXPECT_EQ(media.path(), "/web/guarded.mp4");
    EXPECT_NE(media.header("User-Agent").value_or("").find("Chrome/"), std::string::npos);
    EXPECT_TRUE(media.header("Accept-Language"));
    EXPECT_EQ(media.header("Cookie"), std::optional<std::string>("visit=v123"));
    EXPECT_EQ(media.header("Referer"), server().address("/web/cookie.html"));
}

TEST_F(WebPagesTest, PagesWithoutAFilmEndWithTheLinkError)
{
    for (const char* page : {"/web/article.html", "/web/self.html", "/web/htmlmedia.html",
                             "/web/refused.html", "/web/missing.html"}) {
        SCOPED_TRACE(page);
        EXPECT_EQ(texts(run(server().address(page))),
                  (std::vector<std::string>{JobController::kLinkError}));
        EXPECT_EQ(main().job().lastEnd().outcome, JobOutcome::NoVideoLink);
        EXPECT_TRUE(outputFiles().isEmpty());
    }
    // A page that embeds itself is read once and asked for once more at most.
    server().clearRequests();
    (void)run(server().address("/web/self.html"));
    const std::vector<std::string> paths = served(server());
    EXPECT_LE(std::count(paths.begin(), paths.end(), "/web/self.html"), 2);
}

TEST_F(WebPagesTest, HttpsIsVerifiedAgainstTheTrustedAuthorities)
{
    const test::TestCertificates& certificates = test::Certificates();
    ASSERT_FALSE(certificates.authority.empty()) << "openssl could not make the certificates";
    standin::Options trusted;
    trusted.certificateFile = certificates.serverCert;
    trusted.keyFile = certificates.serverKey;
    standin::Server secure(trusted);
    ASSERT_TRUE(secure.start(0));
    standin::Options unknown;
    unknown.certificateFile = certificates.strangerCert;
    unknown.keyFile = certificates.strangerKey;
    standin::Server stranger(unknown);
    ASSERT_TRUE(stranger.start(0));

    // Without the test's authority nothing here is trusted; with it, the
    // server it signed is, and the self-signed one still is not.
    const std::vector<std::string> untrusted = texts(run(secure.address("/web/og.html")));
    ASSERT_EQ(untrusted.size(), 1u);
    // libcurl's own words in the brackets.
    EXPECT_EQ(
        untrusted[0].rfind(
            "Error: The secure connection to 127.0.0.1 cannot be trusted (SSL certificate", 0),
        0u)
        << untrusted[0];
    EXPECT_EQ(main().job().lastEnd().outcome, JobOutcome::CertificateRefused);
    SetCertificateAuthorityForTests(certificates.authority);
    for (const char* page : {"/web/og.html", "/web/cookie.html", "/media/clip.mp4"}) {
        SCOPED_TRACE(page);
        EXPECT_EQ(texts(run(secure.address(page))), (std::vector<std::string>{"Done."}));
    }
    EXPECT_EQ(outputFiles().size(), 3);
    const std::vector<ShownBox> refused = run(stranger.address("/web/og.html"));
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_TRUE(refused[0].text.startsWith(
        QStringLiteral("Error: The secure connection to 127.0.0.1 cannot be trusted (")))
        << refused[0].text.toStdString();
    EXPECT_TRUE(stranger.requests().empty()) << "nothing is asked of a server not trusted";
}

} // namespace
} // namespace clipvane
