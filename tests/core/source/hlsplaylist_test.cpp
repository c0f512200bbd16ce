#include "core/source/hlsplaylist.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace clipvane {
namespace {

std::string Shared(const std::string& name)
{
    std::ifstream in(std::string(CLIPVANE_SHARED) + "/realweb/hls/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Real master playlists: the variant each yields (the most pixels, then the
// highest bandwidth; never an I-frame playlist) and its separate sound.
TEST(HlsPlaylist, RealMastersYieldTheirBestVariant)
{
    const struct
    {
        const char* file;
        const char* base;
        std::string variant;
        std::string sound; // empty: the sound is in the variant
    } cases[] = {
        {"masters/pluzz_francetv_11507.m3u8", "http://pluzz.example/master.m3u8",
         "http://replayftv-vh.akamaihd.net/i/streaming-adaptatif_france-dom-tom/2017/S16/J2/"
         "156589847-58f59130c1f52-,standard1,standard2,standard3,standard4,standard5,.mp4.csmil/"
         "index_4_av.m3u8?null=0",
         ""}, // its sound group names no URI: the sound is in the variant
        {"masters/teamcoco_11995.m3u8", "https://teamcoco.example/v/master.m3u8",
         "https://teamcoco.example/v/hls/CONAN_020217_Highlight_show-2m_v4.m3u8",
         "https://teamcoco.example/v/hls/CONAN_020217_Highlight_show-audio-160k_v4.m3u8"},
        {"masters/ted_18923.m3u8", "https://hls.ted.example/talks/master.m3u8",
         "https://hls.ted.example/videos/BorisHesser_2018S/video/1500k.m3u8?nobumpers=true&"
         "uniqueId=76011e2b",
         "https://hls.ted.example/videos/BorisHesser_2018S/audio/600k.m3u8?nobumpers=true&"
         "uniqueId=76011e2b"},
        {"masters/toggle_mobile_12211.m3u8", "http://toggle.example/master.m3u8",
         "http://k.toggle.sg/fhls/p/2082311/sp/208231100/serveFlavor/entryId/0_89q6e8ku/v/12/pv/1/"
         "flavorId/0_50n4psvx/name/a.mp4/index.m3u8",
         // no rendition is the default: the first with a URI
         "http://k.toggle.sg/fhls/p/2082311/sp/208231100/serveFlavor/entryId/0_89q6e8ku/v/2/pv/1/"
         "flavorId/0_sa2ntrdg/name/a.mp4/index.m3u8"},
        {"masters/twitch_vod.m3u8", "https://twitch.example/master.m3u8",
         // two at 1280x720 (one with its RESOLUTION quoted): the higher bandwidth
         "https://vod.edgecast.hls.ttvnw.net/e5da31ab49_riotgames_15001215120_261543898/chunked/"
         "index-muted-HM49I092CC.m3u8",
         ""},
        {"masters/vidio.m3u8", "https://vidio.example/master.m3u8",
         "https://cdn1-a.production.vidio.static6.com/uploads/165683/dj_ambred-4383-b1200.mp4.m3u8",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = Shared(c.file);
        ASSERT_TRUE(hls::IsMasterPlaylist(text));
        const hls::Master master = hls::ReadMaster(text, c.base);
        const auto best = hls::BestVariant(master);
        ASSERT_TRUE(best);
        EXPECT_EQ(master.variants[*best].uri, c.variant);
        const hls::Rendition* sound = hls::SoundOf(master, master.variants[*best]);
        EXPECT_EQ(sound ? sound->uri : std::string(), c.sound);
        for (const hls::Variant& v : master.variants)
            EXPECT_EQ(v.uri.find("iframe"), std::string::npos) << "an I-frame playlist: " << v.uri;
    }
}

TEST(HlsPlaylist, RealPlaylistsToRefuseAreRefused)
{
    const std::pair<const char*, hls::Refusal> cases[] = {
        {"refuse/aes-256.m3u8", hls::Refusal::Protected},
        {"refuse/fairplay.m3u8", hls::Refusal::Protected},
        {"refuse/sample-aes-ctr.m3u8", hls::Refusal::Protected},
        {"refuse/gap.m3u8", hls::Refusal::Gaps},
    };
    for (const auto& [file, refusal] : cases) {
        SCOPED_TRACE(file);
        EXPECT_EQ(hls::ReadMedia(Shared(file), "https://site.example/v/x.m3u8").refusal, refusal);
    }
    const hls::MediaReading vod =
        hls::ReadMedia(Shared("vod-ts/chunk.m3u8"), "http://h/v/chunk.m3u8");
    EXPECT_EQ(vod.refusal, hls::Refusal::None);
    ASSERT_EQ(vod.media.segments.size(), 6u);
    EXPECT_EQ(vod.media.segments[5].uri, "http://h/v/n_5_0_0.ts");
    EXPECT_EQ(vod.media.seconds, 36);
}

TEST(HlsPlaylist, MediaPlaylistsAreReadAsRfc8216Says)
{
    const std::string base = "https://cdn.example/v/index.m3u8";
    const std::string text = "#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-MEDIA-SEQUENCE:41\n"
                             "#EXT-X-X-VENDOR:whatever=1\n\n"
                             "#EXT-X-MAP:URI=\"init.mp4\",BYTERANGE=\"720@0\"\n"
                             "#EXTINF:4.0,\n#EXT-X-BYTERANGE:1000@720\nall.mp4\n"
                             "#EXTINF:4.0,\n#EXT-X-BYTERANGE:500\nall.mp4\n"
                             "#EXT-X-KEY:METHOD=AES-128,URI=\"/keys/k1\"\n"
                             "#EXTINF:3.5,\nseg3.mp4\n"
                             "#EXT-X-KEY:METHOD=AES-128,URI=\"k2\",IV=0x0102\n"
                             "#EXT-X-DISCONTINUITY\n#EXTINF:2,\nseg4.mp4\n"
                             "#EXT-X-KEY:METHOD=NONE\n#EXTINF:1,\nseg5.mp4\n#EXT-X-ENDLIST\n";
    const hls::MediaReading reading = hls::ReadMedia(text, base);
    ASSERT_EQ(reading.refusal, hls::Refusal::None);
    const hls::Media& m = reading.media;
    ASSERT_EQ(m.segments.size(), 5u);
    EXPECT_EQ(m.seconds, 14.5);
    ASSERT_EQ(m.maps.size(), 1u);
    EXPECT_EQ(m.maps[0].uri, "https://cdn.example/v/init.mp4");
    EXPECT_EQ(m.maps[0].range->length, 720);
    // Without an offset a range goes on where the last of the same resource ended.
    EXPECT_EQ(m.segments[0].range->offset, 720);
    EXPECT_EQ(m.segments[1].range->offset, 1720);
    EXPECT_EQ(m.segments[1].range->length, 500);
    EXPECT_EQ(m.segments[2].key, 0);
    EXPECT_EQ(m.keys[0].uri, "https://cdn.example/keys/k1");
    EXPECT_EQ(m.segments[2].sequence, 43u);
    const auto sequenceIv = hls::IvOf(m.keys[0], m.segments[2].sequence);
    EXPECT_EQ(sequenceIv[15], 43);
    EXPECT_EQ(sequenceIv[0], 0);
    const auto givenIv = hls::IvOf(m.keys[1], m.segments[3].sequence);
    EXPECT_EQ(givenIv[14], 1);
    EXPECT_EQ(givenIv[15], 2);
    EXPECT_TRUE(m.segments[3].discontinuity);
    EXPECT_EQ(m.segments[4].key, -1);

    const std::pair<std::string, hls::Refusal> refused[] = {
        {"#EXTM3U\n#EXTINF:4,\na.ts\n", hls::Refusal::Live},
        {"#EXTM3U\n#EXT-X-PLAYLIST-TYPE:EVENT\n#EXTINF:4,\na.ts\n", hls::Refusal::Live},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k\"\n#EXTINF:4,\na.ts\n#EXT-X-ENDLIST\n",
         hls::Refusal::Protected},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"k\",KEYFORMAT=\"com.widevine\"\n"
         "#EXTINF:4,\na.ts\n#EXT-X-ENDLIST\n",
         hls::Refusal::Protected},
        {"#EXTM3U\n#EXT-X-KEY:METHOD=AES-128,URI=\"skd://x\"\n#EXTINF:4,\na.ts\n#EXT-X-ENDLIST\n",
         hls::Refusal::Protected},
        {"#EXTM3U\n#EXTINF:4,\n#EXT-X-BYTERANGE:100\na.ts\n#EXT-X-ENDLIST\n",
         hls::Refusal::Unreadable}, // no earlier range to go on from
        {"#EXTM3U\n#EXTINF:4,\n#EXT-X-BYTERANGE:72@9223372036854775807\na.ts\n#EXT-X-ENDLIST\n",
         hls::Refusal::Unreadable}, // it would end past the largest offset
        {"<html>not a playlist</html>", hls::Refusal::Unreadable},
        {"#EXTM3U\n#EXT-X-ENDLIST\n", hls::Refusal::Unreadable},
    };
    for (const auto& [playlist, refusal] : refused)
        EXPECT_EQ(hls::ReadMedia(playlist, base).refusal, refusal) << playlist;
}

TEST(HlsPlaylist, AHundredThousandSegmentsAreReadAsAny)
{
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n";
    for (int i = 0; i < 100000; ++i)
        text += "#EXTINF:2.000,\nsegment-" + std::to_string(i) + ".ts?token=abcdef\n";
    text += "#EXT-X-ENDLIST\n";
    const hls::MediaReading reading = hls::ReadMedia(text, "https://cdn.example/v/index.m3u8");
    EXPECT_EQ(reading.refusal, hls::Refusal::None);
    ASSERT_EQ(reading.media.segments.size(), 100000u);
    EXPECT_EQ(reading.media.seconds, 200000);
    EXPECT_EQ(reading.media.segments.back().uri,
              "https://cdn.example/v/segment-99999.ts?token=abcdef");
}

} // namespace
} // namespace clipvane
