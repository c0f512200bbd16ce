#include "core/base/error.h"
#include "core/source/playlist.h"
#include "core/source/servicehosts.h"
#include "core/source/streamlookup.h"
#include "core/source/videopage.h"
#include "core/source/videoservice.h"
#include "core/source/webfetch.h"
#include "support/standinfixture.h"

namespace clipvane {
namespace {

// The whole conversation of a job's resolution phase against the stand-in:
// the page, the sequence document, the playlist and the stream's length.
class ResolutionTest : public test::StandinTest
{
protected:
    void SetUp() override
    {
        test::StandinTest::SetUp();
        m_hosts.video = m_hosts.sequence = m_hosts.playlist = m_hosts.maker = server().hostPort();
    }

    const standin::Clip& clip(const char* vid)
    {
        const standin::Clip* c = server().clipByVid(vid);
        EXPECT_NE(c, nullptr) << vid;
        return *c;
    }

    ServiceHosts m_hosts;
    XmlDocument m_document;
};

TEST_F(ResolutionTest, PageToStreamLengthSendsTheExpectedRequests)
{
    const standin::Clip& c = clip("1001");
    const ScrapedPage page = ScrapeVideoPage(server().pageAddress(c));
    const std::string clipId = page.clipId;
    EXPECT_EQ(clipId, c.clipId);
    EXPECT_EQ(page.title, "Harbour lights at dusk");

    const std::string streamId = GetStreamId(SequenceAddress(m_hosts, clipId));
    EXPECT_EQ(streamId, c.streamId);
    const std::string flv = ResolveFlvUrl(m_document, PlaylistAddress(m_hosts, streamId));
    EXPECT_EQ(flv, server().address("/streams/" + c.streamId + ".flv?sig=" + c.clipId + "&t=flv"));
    const std::int32_t length = GetContentLength(flv);
    EXPECT_EQ(length, static_cast<std::int32_t>(server().streamBytes(c).size()));
    EXPECT_GT(length, 1000);

    std::vector<std::string> lines;
    for (const auto& request : server().requests())
        lines.push_back(request.requestLine);
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "GET /video/play?vid=1001&fr=cv HTTP/1.1",
                  "GET /ver/242/process/getSequence.php?&node_id=" + c.clipId + " HTTP/1.1",
                  "GET /makeplaylist.dll?sid=" + c.streamId + "&pt=xml&t=flv&sdm=web HTTP/1.1",
                  "GET /streams/" + c.streamId + ".flv?sig=" + c.clipId + "&t=flv HTTP/1.1",
              }));
}

TEST_F(ResolutionTest, TitlesAreCleanedForFileNames)
{
    EXPECT_EQ(ScrapeVideoPage(server().pageAddress(clip("1002"))).title,
              "Caf\xC3\xA9 terrace_ morning rush_");
    EXPECT_EQ(ScrapeVideoPage(server().pageAddress(clip("1003"))).title,
              "Kite festival on the north beach, filmed from the ...");
}

TEST_F(ResolutionTest, FaultClipsFailWhereTheyShould)
{
    // A NUL before the marker hides it; a page beyond the size cap is no page.
    EXPECT_EQ(ScrapeVideoPage(server().pageAddress(clip("2008"))).clipId, "");
    const ScrapedPage oversized = ScrapeVideoPage(server().pageAddress(clip("2009")));
    EXPECT_EQ(oversized.clipId, "");
    EXPECT_EQ(oversized.title.rfind("video", 0), 0u);

    // An error page in place of the sequence document names no stream.
    EXPECT_EQ(GetStreamId(SequenceAddress(m_hosts, clip("2005").clipId)), "");

    try {
        ResolveFlvUrl(m_document, PlaylistAddress(m_hosts, clip("2006").streamId));
        ADD_FAILURE() << "a broken playlist must raise";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("The playlist cannot be read (line ", 0), 0u)
            << e.what();
    }
    try {
        ResolveFlvUrl(m_document, PlaylistAddress(m_hosts, clip("2007").streamId));
        ADD_FAILURE() << "a playlist without QUERYSTRING must raise";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("no QUERYSTRING attribute"), std::string::npos)
            << e.what();
    }
}

// The milestones the job shows while the service is asked, as text.
class RecordedProgress : public ResolutionProgress
{
public:
    void connectionChecked() override { steps.push_back("connected"); }
    void linkLookedUp(const std::optional<std::string>& title) override
    {
        steps.push_back("looked up " + title.value_or("<no page>"));
    }
    void lengthQueryStarting() override { steps.push_back("length"); }
    std::vector<std::string> steps;
};

TEST_F(ResolutionTest, TheVideoServiceResolvesAClipOrSaysWhyNot)
{
    struct Case
    {
        const char* name;
        std::string address;
        bool probeAnswers;
        ResolveFailure failure;
        std::vector<std::string> steps;
        std::optional<std::string> title;
    };
    const std::string harbour = "Harbour lights at dusk";
    const Case cases[] = {
        {"whole chain",
         server().pageAddress(clip("1001")),
         true,
         ResolveFailure::None,
         {"connected", "looked up " + harbour, "length"},
         harbour},
        {"no probe",
         server().pageAddress(clip("1001")),
         false,
         ResolveFailure::NoConnection,
         {},
         std::nullopt},
        {"no address",
         "",
         true,
         ResolveFailure::NoVideoLink,
         {"connected", "looked up <no page>"},
         std::nullopt},
        {"sequence error",
         server().pageAddress(clip("2005")),
         true,
         ResolveFailure::NoVideoLink,
         {"connected", "looked up " + ScrapeVideoPage(server().pageAddress(clip("2005"))).title},
         ScrapeVideoPage(server().pageAddress(clip("2005"))).title},
        {"broken playlist",
         server().pageAddress(clip("2006")),
         true,
         ResolveFailure::PlaylistUnreadable,
         {"connected"},
         ScrapeVideoPage(server().pageAddress(clip("2006"))).title},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceHosts hosts = m_hosts;
        if (!c.probeAnswers)
            hosts.maker = "127.0.0.1:1";
        VideoService service(hosts);
        RecordedProgress progress;
        const StopFlag stop{0};
        const Resolution resolution = service.resolve(c.address, progress, stop);
        EXPECT_EQ(resolution.failure, c.failure);
        EXPECT_EQ(progress.steps, c.steps);
        EXPECT_EQ(resolution.title, c.title);
        if (c.failure == ResolveFailure::None) {
            EXPECT_EQ(resolution.clip.title, harbour);
            EXPECT_EQ(resolution.clip.expectedSize,
                      static_cast<std::int32_t>(server().streamBytes(clip("1001")).size()));
            EXPECT_NE(resolution.clip.streamUrl.find("/streams/"), std::string::npos);
        }
        if (c.failure == ResolveFailure::PlaylistUnreadable) {
            EXPECT_EQ(resolution.message.rfind("The playlist cannot be read (line ", 0), 0u)
                << resolution.message;
        }
    }
}

} // namespace
} // namespace clipvane
