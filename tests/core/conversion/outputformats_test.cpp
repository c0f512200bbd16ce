#include "core/conversion/mediaplan.h"
#include "support/aviprobe.h"
#include "support/jobfixture.h"

#include <QProcess>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace clipvane {
namespace {

using standin::Response;
using test::JobTest;

std::string SharedFile(const std::string& name)
{
    std::ifstream in(std::string(CLIPVANE_SHARED) + "/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Each packet of a file's first stream of a kind ("v" or "a") by its size
// and content, not its timing (containers count time in units of their own);
// or, `decoded`, each frame it decodes to.
std::vector<std::string> Packets(const std::string& file, const char* kind, bool decoded)
{
    QStringList arguments = {
        QStringLiteral("-v"),   QStringLiteral("error"),
        QStringLiteral("-i"),   QFile::decodeName(QByteArray::fromStdString(file)),
        QStringLiteral("-map"), QStringLiteral("0:") + QLatin1String(kind) + QStringLiteral(":0")};
    if (!decoded)
        arguments << QStringLiteral("-c") << QStringLiteral("copy");
    arguments << QStringLiteral("-f") << QStringLiteral("framemd5") << QStringLiteral("-");
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments);
    ffmpeg.waitForFinished(60000);
    std::vector<std::string> packets;
    std::istringstream lines(ffmpeg.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto sizeAt = line.rfind(',', line.rfind(',') - 1);
        packets.push_back(line.substr(sizeAt + 1));
    }
    return packets;
}

TEST(ConversionPlan, WhatEachFormatMakesOfEachSource)
{
    auto streams = [](const char* container, const char* video, const char* audio, int w = 320,
                      int h = 240) {
        MediaStreams s;
        s.container = container;
        s.seconds = 10;
        if (video)
            s.video = MediaStream{0, video, w, h};
        if (audio)
            s.audio = MediaStream{video ? 1 : 0, audio, 0, 0};
        return s;
    };
    const struct
    {
        const char* name;
        OutputFormat format;
        MediaStreams source;
        std::string extension; // empty: refused
        std::vector<std::string> has;
    } cases[] = {
        {"H.264 and AAC stay as they are in MP4",
         OutputFormat::Mp4,
         streams("flv", "h264", "aac"),
         ".mp4",
         {"-c:v copy", "-c:a copy"}},
        {"Sorenson and MP3 become H.264 and AAC",
         OutputFormat::Mp4,
         streams("flv", "flv1", "mp3"),
         ".mp4",
         {"-c:v libx264", "-c:a aac", "+faststart"}},
        {"an odd side loses a line",
         OutputFormat::Mp4,
         streams("flv", "flv1", "mp3", 320, 233),
         ".mp4",
         {"-vf scale=trunc(iw/2)*2:trunc(ih/2)*2"}},
        {"ADTS sound from MPEG-TS is made MP4's own",
         OutputFormat::Mp4,
         streams("mpegts", "h264", "aac"),
         ".mp4",
         {"-bsf:a aac_adtstoasc"}},
        {"sound alone in MP4",
         OutputFormat::Mp4,
         streams("mp3", nullptr, "mp3"),
         ".m4a",
         {"-c:a aac"}},
        {"original that fits MP4",
         OutputFormat::Original,
         streams("flv", "h264", "mp3"),
         ".mp4",
         {"-c copy", "-f mp4"}},
        {"original H.265 tagged for players",
         OutputFormat::Original,
         streams("mpegts", "hevc", "aac"),
         ".mp4",
         {"-tag:v hvc1", "-bsf:a aac_adtstoasc"}},
        {"original that does not fit MP4",
         OutputFormat::Original,
         streams("matroska,webm", "vp9", "opus"),
         ".mkv",
         {"-c copy", "-f matroska"}},
        {"original sound that does not fit",
         OutputFormat::Original,
         streams("matroska,webm", nullptr, "opus"),
         ".mka",
         {"-f matroska"}},
        {"original sound that fits",
         OutputFormat::Original,
         streams("mov", nullptr, "aac"),
         ".m4a",
         {"-f mp4"}},
        {"nothing to save", OutputFormat::Mp4, streams("flv", nullptr, nullptr), "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<ConversionPlan> plan = PlanConversion(c.format, c.source);
        ASSERT_EQ(plan.ok(), !c.extension.empty());
        if (!plan)
            continue;
        EXPECT_EQ(plan.value().extension, c.extension);
        std::string joined;
        for (const std::string& option : plan.value().options)
            joined += option + " ";
        for (const std::string& part : c.has)
            EXPECT_NE(joined.find(part), std::string::npos) << joined;
    }
}

TEST(ConversionPlan, TheProbeReportIsReadWithoutTheFilesOwnWords)
{
    const MediaStreams s = ReadProbeReport("[STREAM]\nindex=0\ncodec_name=mjpeg\ncodec_type=video\n"
                                           "width=300\nheight=300\nDISPOSITION:attached_pic=1\n"
                                           "[/STREAM]\n[STREAM]\nindex=1\ncodec_name=aac\n"
                                           "codec_type=audio\nDISPOSITION:attached_pic=0\n"
                                           "[/STREAM]\n[FORMAT]\nformat_name=mov,mp4\n"
                                           "duration=N/A\n[/FORMAT]\n");
    EXPECT_FALSE(s.video) << "a cover picture is no video";
    ASSERT_TRUE(s.audio);
    EXPECT_EQ(s.audio->index, 1);
    EXPECT_EQ(s.container, "mov,mp4");
    EXPECT_EQ(s.seconds, -1);
}

// Whether a stream must come out untouched: packet for packet, or (where the
// new container frames it its own way) frame for frame.
enum class Untouched
{
    Changed,
    SamePackets,
    SameFrames,
};

// Each kind of source saved in each format through the whole job, from real
// recordings and from media of today's kinds; the streams that must not be
// touched are compared packet by packet.
TEST_F(JobTest, EachFormatSavesWhatItPromises)
{
    const struct
    {
        const char* name;
        std::string bytes;
        OutputFormat format;
        const char* extension; // nullptr: the conversion fails
        const char* video;     // the codec, or nullptr for none
        const char* audio;
        Untouched untouched;
    } cases[] = {
        {"Sorenson and MP3 to MP4", SharedFile("realweb/flv/sorenson-mp3.flv"), OutputFormat::Mp4,
         ".mp4", "h264", "aac", Untouched::Changed},
        {"Sorenson and MP3 kept", SharedFile("realweb/flv/sorenson-mp3.flv"),
         OutputFormat::Original, ".mkv", "flv1", "mp3", Untouched::SamePackets},
        {"H.264 and AAC kept", SharedFile("realweb/flv/h264-aac-bbb.flv"), OutputFormat::Original,
         ".mp4", "h264", "aac", Untouched::SamePackets},
        {"H.264 and AAC to MP4, copied", SharedFile("realweb/flv/h264-aac-bbb.flv"),
         OutputFormat::Mp4, ".mp4", "h264", "aac", Untouched::SamePackets},
        {"H.264 alone kept", SharedFile("realweb/flv/h264-only.flv"), OutputFormat::Original,
         ".mp4", "h264", nullptr, Untouched::SamePackets},
        {"Sorenson alone to MP4", SharedFile("realweb/flv/sorenson-only.flv"), OutputFormat::Mp4,
         ".mp4", "h264", nullptr, Untouched::Changed},
        {"VP9 and Opus to MP4", server().mediaBytes("clip.webm"), OutputFormat::Mp4, ".mp4", "h264",
         "aac", Untouched::Changed},
        {"VP9 and Opus kept", server().mediaBytes("clip.webm"), OutputFormat::Original, ".mkv",
         "vp9", "opus", Untouched::SamePackets},
        {"VP8 and Vorbis kept", server().mediaBytes("clip-vp8.webm"), OutputFormat::Original,
         ".mkv", "vp8", "vorbis", Untouched::SamePackets},
        {"MPEG-TS kept in MP4", server().mediaBytes("clip.ts"), OutputFormat::Original, ".mp4",
         "h264", "aac", Untouched::SameFrames},
        {"sound alone to MP4", server().mediaBytes("sound.m4a"), OutputFormat::Mp4, ".m4a", nullptr,
         "aac", Untouched::SamePackets},
        {"Opus alone kept", server().mediaBytes("sound.webm"), OutputFormat::Original, ".mka",
         nullptr, "opus", Untouched::SamePackets},
        {"sound alone to AVI", server().mediaBytes("sound.m4a"), OutputFormat::Avi, nullptr,
         nullptr, nullptr, Untouched::Changed},
        {"no media at all", "<html><body>Gone</body></html>", OutputFormat::Mp4, nullptr, nullptr,
         nullptr, Untouched::Changed},
    };
    const std::string stream = "/streams/" + server().clipByVid("1001")->streamId + ".flv";
    const std::string source = m_out + "source";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(c.bytes.size(), 20u);
        Response response;
        response.body = c.bytes;
        server().setRoute(stream, response);
        main().setOutputFormat(c.format);
        const std::vector<std::string> shown = texts(run(page("1001")));
        if (!c.extension) {
            EXPECT_EQ(shown, (std::vector<std::string>{JobController::kConvertError}));
            EXPECT_TRUE(outputFiles().isEmpty());
            continue;
        }
        ASSERT_EQ(shown, (std::vector<std::string>{"Done."}));
        const std::string saved = m_out + "Harbour lights at dusk" + c.extension;
        ASSERT_EQ(outputFiles(), QStringList{QString::fromStdString(saved.substr(m_out.size()))});
        const std::string streams = test::ProbeStreams(saved, "stream=codec_type,codec_name");
        EXPECT_EQ(streams.find("codec_type=video") != std::string::npos, c.video != nullptr)
            << streams;
        if (c.video) {
            EXPECT_NE(streams.find(std::string("codec_name=") + c.video + "|codec_type=video"),
                      std::string::npos)
                << streams;
        }
        if (c.audio) {
            EXPECT_NE(streams.find(std::string("codec_name=") + c.audio + "|codec_type=audio"),
                      std::string::npos)
                << streams;
        }
        if (c.untouched != Untouched::Changed) {
            test::WriteFile(QString::fromStdString(source), c.bytes);
            const bool decoded = c.untouched == Untouched::SameFrames;
            for (const char* kind : {"v", "a"}) {
                if ((kind[0] == 'v' && !c.video) || (kind[0] == 'a' && !c.audio))
                    continue;
                const std::vector<std::string> before = Packets(source, kind, decoded);
                EXPECT_FALSE(before.empty());
                EXPECT_EQ(Packets(saved, kind, decoded), before) << kind << " changed";
            }
            QFile::remove(QString::fromStdString(source));
        }
        QFile::remove(QString::fromStdString(saved));
    }

    // The [n] rule looks at the name actually used.
    server().clearOverrides();
    main().setOutputFormat(OutputFormat::Avi);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    main().setOutputFormat(OutputFormat::Original);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("Harbour lights at dusk.AVI"),
                                          QStringLiteral("Harbour lights at dusk.mkv"),
                                          QStringLiteral("[1]Harbour lights at dusk.mkv")}));
    main().setOutputFormat(OutputFormat::Avi);
}

} // namespace
} // namespace clipvane
