#include "base/error.h"
#include "job/jobstate.h"
#include "source/playlist.h"
#include "source/servicehosts.h"
#include "source/streamlookup.h"
#include "source/videopage.h"
#include "source/webfetch.h"
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
    TXMLDocument m_document;
};

TEST_F(ResolutionTest, PageToStreamLengthSendsTheExpectedRequests)
{
    const standin::Clip& c = clip("1001");
    const std::string clipId = ScrapeVideoPage(server().pageAddress(c));
    EXPECT_EQ(clipId, c.clipId);
    EXPECT_EQ(JobState().VideoTitle, "Harbour lights at dusk");

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
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "GET /video/play?vid=1001&fr=cv HTTP/1.1",
                         "GET /ver/242/process/getSequence.php?&node_id=" + c.clipId + " HTTP/1.1",
                         "GET /makeplaylist.dll?sid=" + c.streamId + "&pt=xml&t=flv&sdm=web HTTP/1.1",
                         "GET /streams/" + c.streamId + ".flv?sig=" + c.clipId + "&t=flv HTTP/1.1",
                     }));
}

TEST_F(ResolutionTest, TitlesAreCleanedForFileNames)
{
    ScrapeVideoPage(server().pageAddress(clip("1002")));
    EXPECT_EQ(JobState().VideoTitle, "Caf\xC3\xA9 terrace_ morning rush_");
    ScrapeVideoPage(server().pageAddress(clip("1003")));
    EXPECT_EQ(JobState().VideoTitle, "Kite festival on the north beach, filmed from the ...");
}

TEST_F(ResolutionTest, FaultClipsFailWhereTheyShould)
{
    // A NUL before the marker hides it; a page beyond the size cap is no page.
    EXPECT_EQ(ScrapeVideoPage(server().pageAddress(clip("2008"))), "");
    EXPECT_EQ(ScrapeVideoPage(server().pageAddress(clip("2009"))), "");
    EXPECT_EQ(JobState().VideoTitle.rfind("video", 0), 0u);

    // An error page in place of the sequence document names no stream.
    EXPECT_EQ(GetStreamId(SequenceAddress(m_hosts, clip("2005").clipId)), "");

    try {
        ResolveFlvUrl(m_document, PlaylistAddress(m_hosts, clip("2006").streamId));
        ADD_FAILURE() << "a broken playlist must raise";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("The playlist cannot be read (line ", 0), 0u) << e.what();
    }
    try {
        ResolveFlvUrl(m_document, PlaylistAddress(m_hosts, clip("2007").streamId));
        ADD_FAILURE() << "a playlist without QUERYSTRING must raise";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("no QUERYSTRING attribute"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace clipvane
