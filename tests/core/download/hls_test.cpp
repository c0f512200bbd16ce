#include "core/download/hlsdownload.h"
#include "support/aviprobe.h"
#include "support/jobfixture.h"

#include <algorithm>

namespace clipvane {
namespace {

using test::JobTest;

// HLS streams from the stand-in, made by ffmpeg, saved (or refused) through
// the windows as any clip is.
class HlsTest : public JobTest
{
protected:
    void TearDown() override
    {
        server().setHlsRate(0);
        main().setOutputFormat(OutputFormat::Avi);
        JobTest::TearDown();
    }

    std::string savedStreams()
    {
        const QStringList files = outputFiles();
        if (files.size() != 1)
            return "files: " + files.join(QLatin1Char(',')).toStdString();
        return test::ProbeStreams(m_out + files.front().toStdString(),
                                  "stream=codec_type,width,height:format=duration");
    }
    void clearOutput()
    {
        for (const QString& file : outputFiles())
            QFile::remove(QString::fromStdString(m_out) + file);
    }
};

TEST_F(HlsTest, EachKindOfStreamIsSavedWhole)
{
    const struct
    {
        const char* address;
        std::string has; // a part of what ffprobe says of the saved file
    } cases[] = {
        // The larger of two variants; never the I-frame playlist.
        {"/hls/ts/master.m3u8", "codec_type=video|width=640|height=360"},
        {"/hls/aes/index.m3u8", "codec_type=video|width=320|height=180"},
        {"/hls/single/index.m3u8", "codec_type=video|width=320|height=180"},
        {"/hls/fmp4/index.m3u8", "codec_type=video|width=320|height=180"},
        // The default sound of the variant's group, merged with its video.
        {"/hls/sound/master.m3u8", "codec_type=audio"},
        {"/web/hls.html", "codec_type=video|width=640|height=360"},
    };
    for (const OutputFormat format : {OutputFormat::Original, OutputFormat::Avi}) {
        main().setOutputFormat(format);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.address) + " as " + FormatWord(format));
            EXPECT_EQ(texts(run(server().address(c.address))), (std::vector<std::string>{"Done."}));
            const std::string streams = savedStreams();
            if (format == OutputFormat::Original) {
                EXPECT_NE(streams.find(c.has), std::string::npos) << streams;
            }
            EXPECT_NE(streams.find("codec_type=audio"), std::string::npos) << streams;
            // Eight seconds: every segment, in its place.
            EXPECT_NE(streams.find("duration=8."), std::string::npos) << streams;
            clearOutput();
        }
    }
}

TEST_F(HlsTest, StreamsThatCannotBeSavedSaySoAndSaveNothing)
{
    const struct
    {
        const char* address;
        JobOutcome outcome;
        std::string message;
    } cases[] = {
        {"/hls/live/index.m3u8", JobOutcome::LiveStream,
         "Error: This is a live stream; only finished videos can be saved."},
        {"/hls/sample-aes/index.m3u8", JobOutcome::ProtectedStream,
         "Error: This video is protected and cannot be saved."},
        {"/hls/keyformat/index.m3u8", JobOutcome::ProtectedStream,
         "Error: This video is protected and cannot be saved."},
        {"/hls/skd/index.m3u8", JobOutcome::ProtectedStream,
         "Error: This video is protected and cannot be saved."},
        {"/hls/gap/index.m3u8", JobOutcome::ProtectedStream,
         "Error: This video has gaps and cannot be saved whole."},
        {"/hls/loop/master.m3u8", JobOutcome::NoVideoLink, JobController::kLinkError},
        // A segment that answers 404 every time, a key that answers HTML, a
        // byte range past the end of its file.
        {"/hls/missing/index.m3u8", JobOutcome::DownloadFailed, JobController::kDownloadError},
        {"/hls/badkey/index.m3u8", JobOutcome::DownloadFailed, JobController::kDownloadError},
        {"/hls/pastend/index.m3u8", JobOutcome::DownloadFailed, JobController::kDownloadError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        server().clearRequests();
        EXPECT_EQ(texts(run(server().address(c.address))), (std::vector<std::string>{c.message}));
        EXPECT_EQ(main().job().lastEnd().outcome, c.outcome);
        EXPECT_TRUE(outputFiles().isEmpty());
    }
    // The missing segment was asked for four times: once, and three again.
    server().clearRequests();
    (void)run(server().address("/hls/missing/index.m3u8"));
    const auto requests = server().requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const auto& r) { return r.path() == "/hls/missing/gone_1.ts"; }),
              1 + HlsDownloadWorker::kRetries);
}

TEST_F(HlsTest, TheGaugeFollowsTheClipsTimeAndCancelEndsEveryConnection)
{
    // Slow enough to watch: each connection at 64 KB/s.
    server().setHlsRate(64 * 1024);
    main().setOutputFormat(OutputFormat::Original);
    start(server().address("/hls/ts/master.m3u8"));
    std::vector<std::pair<int, int>> seen;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            if (main().job().current().downloading)
                seen.push_back(gauges());
            return main().job().downloadWorker() &&
                   main().job().downloadWorker()->millisecondsShown() >= 4000;
        },
        60000));
    main().tickJob();
    seen.push_back(gauges());
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].first, seen[i - 1].first) << "the step gauge went back";
        EXPECT_GE(seen[i].second, seen[i - 1].second) << "the total gauge went back";
    }
    EXPECT_GE(seen.back().second, 45) << "half the clip's time is half the download's share";
    EXPECT_GT(main().job().downloadWorker()->bytesShown(), 100000);

    QTest::mouseClick(progress().cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 5000))
        << "every connection ends at Cancel";
    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(outputFiles().isEmpty());
}

// The real stream of another project, served as captured.
TEST_F(HlsTest, ARealOnDemandStreamIsSaved)
{
    standin::Options options;
    options.sharedFolder = std::string(CLIPVANE_SHARED) + "/realweb";
    standin::Server real(options);
    ASSERT_TRUE(real.start(0));
    main().setOutputFormat(OutputFormat::Original);
    EXPECT_EQ(texts(run(real.address("/realweb/hls/vod-ts/playlist.m3u8"))),
              (std::vector<std::string>{"Done."}));
    const std::string streams = savedStreams();
    EXPECT_NE(streams.find("codec_type=video|width=320|height=180"), std::string::npos) << streams;
    EXPECT_NE(streams.find("duration=3"), std::string::npos) << streams;
    std::vector<std::string> paths;
    for (const auto& request : real.requests())
        paths.push_back(request.path());
    for (int i = 0; i < 6; ++i) {
        const std::string segment = "/realweb/hls/vod-ts/n_" + std::to_string(i) + "_0_0.ts";
        EXPECT_EQ(std::count(paths.begin(), paths.end(), segment), 1) << segment;
    }
}

TEST(HlsDecryption, AWrongKeyOrALengthThatIsNoCipherTextGivesNothing)
{
    const std::array<std::uint8_t, 16> key{1, 2, 3};
    const std::array<std::uint8_t, 16> iv{};
    EXPECT_FALSE(DecryptSegment(std::string(17, 'x'), key, iv));
    EXPECT_FALSE(DecryptSegment("", key, iv));
    // Sixteen bytes that are no padded block under this key.
    EXPECT_FALSE(DecryptSegment(std::string(16, '\0'), key, iv));
}

} // namespace
} // namespace clipvane
