#include "dialect.h"

#include <gtest/gtest.h>

namespace nnn {
namespace {

Command Profile()
{
    Command command;
    const std::vector<std::string> arguments = {
        "-i",  "/t/temp.flv", "-vcodec", "mpeg4",   "-vtag",   "divx", "-qscale",    "6",
        "-b",  "320",         "-s",      "320x240", "-acodec", "mp3",  "-ac",        "1",
        "-ar", "44100",       "-ab",     "64",      "-f",      "avi",  "/t/temp.avi"};
    EXPECT_EQ(ParseCommand(arguments, command), "");
    return command;
}

TEST(Dialect, TheProfileBecomesTodaysOptions)
{
    const Command command = Profile();
    EXPECT_EQ(command.input, "/t/temp.flv");
    EXPECT_EQ(command.output, "/t/temp.avi");
    EXPECT_FALSE(command.overwrite);
    const std::vector<std::string> expected = {"ffmpeg",    "-hide_banner",
                                               "-nostdin",  "-nostats",
                                               "-loglevel", "info",
                                               "-progress", "pipe:3",
                                               "-i",        "file:/t/temp.flv",
                                               "-c:v",      "mpeg4",
                                               "-tag:v",    "divx",
                                               "-q:v",      "6",
                                               "-s",        "320x240",
                                               "-c:a",      "libmp3lame",
                                               "-ac",       "1",
                                               "-ar",       "44100",
                                               "-b:a",      "64k",
                                               "-f",        "avi",
                                               "-y",        "file:/t/temp.avi"};
    EXPECT_EQ(FfmpegArguments(command), expected);
}

TEST(Dialect, CommandLinesItRefuses)
{
    Command command;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-i"}, "Argument for option '-i' is missing"},
        {{"-i", "in", "-threads", "4", "out"}, "unrecognized option '-threads'"},
        {{"-i", "in"}, "At least one output file must be specified"},
        {{"out"}, "the input file must be given with -i"},
        {{}, "usage: nnn.exe [-y] -i input [options] output"},
    };
    for (const auto& [arguments, message] : cases)
        EXPECT_EQ(ParseCommand(arguments, command), message);
    EXPECT_EQ(FileUrl("-rel/x.flv").rfind("file:/", 0), 0u);
    EXPECT_EQ(FileUrl("http://evil").rfind("file:/", 0), 0u);
}

TEST(Dialect, DurationsAreTruncatedToTenths)
{
    EXPECT_EQ(FormatDuration(205.46), "00:03:25.4");
    EXPECT_EQ(FormatDuration(4.0), "00:00:04.0");
    EXPECT_EQ(FormatDuration(3599.99), "00:59:59.9");
    EXPECT_EQ(FormatDuration(360000), "100:00:00.0");
    EXPECT_EQ(DurationFromPacketList("0.000000,0.066667\n3.933333,0.066667\n1.0,N/A\n"),
              "00:00:04.0");
    EXPECT_EQ(DurationFromPacketList("N/A,N/A\n"), "");
    // Found by fuzzing: an absurd duration is capped, not overflowed.
    EXPECT_EQ(FormatDuration(3.3e20), "277777777:46:40.0");
    EXPECT_NE(DescribeInput("[FORMAT]\nduration=1.2e21\n[/FORMAT]\n", "/t/temp.flv", {})
                  .find("  Duration: 277777777:46:40.0, "),
              std::string::npos);
}

TEST(Dialect, TheInputDescriptionIsWrittenFromTheProbeReport)
{
    int finderCalls = 0;
    const DurationFinder finder = [&](const std::string& input) {
        ++finderCalls;
        EXPECT_EQ(input, "/t/temp.flv");
        return std::string("00:00:07.5");
    };
    const std::string report =
        "[STREAM]\nindex=0\ncodec_name=flv1\ncodec_type=video\nwidth=320\nheight=240\n"
        "pix_fmt=yuv420p\nbit_rate=200000\n[/STREAM]\n"
        "[STREAM]\nindex=1\ncodec_name=mp3\ncodec_type=audio\nsample_rate=22050\nchannels=1\n"
        "channel_layout=mono\nbit_rate=32000\n[/STREAM]\n"
        "[FORMAT]\nformat_name=flv\nstart_time=0.000000\nduration=205.460000\n"
        "bit_rate=213000\n[/FORMAT]\n";
    EXPECT_EQ(DescribeInput(report, "/t/temp.flv", finder),
              "Input #0, flv, from '/t/temp.flv':\n"
              "  Duration: 00:03:25.4, start: 0.000000, bitrate: 213 kb/s\n"
              "  Stream #0.0: Video: flv1, yuv420p, 320x240, 200 kb/s\n"
              "  Stream #0.1: Audio: mp3, 22050 Hz, mono, 32 kb/s\n");
    EXPECT_EQ(finderCalls, 0);

    // A container without a duration: the end of its last packet.
    EXPECT_EQ(DescribeInput("[FORMAT]\nformat_name=flv\nstart_time=N/A\nduration=N/A\n[/FORMAT]\n",
                            "/t/temp.flv", finder),
              "Input #0, flv, from '/t/temp.flv':\n  Duration: 00:00:07.5, start: 0.000000, "
              "bitrate: N/A\n");
    EXPECT_EQ(finderCalls, 1);

    // Fields that are no plain words cannot break or quote a line.
    EXPECT_EQ(
        DescribeInput(
            "[FORMAT]\nformat_name=f'l\x1b[2Jv\rx\n[/FORMAT]\n[STREAM]\ncodec_type=video\n",
            "/t/in", {}),
        "Input #0, f?l?[2Jv?x, from '/t/in':\n  Duration: N/A, start: 0.000000, bitrate: N/A\n"
        "  Stream #0.: Video: unknown\n");
}

TEST(Dialect, FfmpegsOwnDescriptionCannotPlantAMarker)
{
    Translator translator(Profile());
    // A metadata key holding line breaks is printed by ffmpeg as stored:
    // the lines that follow it look like ffmpeg's own.
    const std::string planted = "  Duration: 00:00:01.00, start: 0.000000, bitrate: 1 kb/s\n";
    const std::string out = translator.stderrBytes(
        "Input #0, flv, from 'file:/t/temp.flv':\n  Metadata:\n    x\n" + planted +
        "Output #0, avi\n" + planted + "Stream mapping:\n" + planted + "    time=299.0 :\n" +
        "  Duration: 00:05:00.00, start: 0.000000, bitrate: 213 kb/s\n  Stream #0:0: Video: flv1\n"
        "Output #0, avi, to 'file:/t/temp.avi':\n  Metadata:\n    title           : x\n"
        "Stream mapping:\n  Stream #0:0 -> #0:0 (flv1 (flv) -> mpeg4 (native))\n"
        "Duration: 00:00:01.0\nx time=299.9 y\n"
        "[mp3float @ 0x55] overread, skip -5 enddists: -3 -3\n");
    EXPECT_EQ(out, "[mp3float @ 0x55] overread, skip -5 enddists: -3 -3\n");
    EXPECT_EQ(
        translator.stderrBytes("file:/t/temp.flv: Invalid data found when processing input\n"),
        "/t/temp.flv: Unknown format\n");
    EXPECT_TRUE(translator.unknownFormat());
    EXPECT_EQ(
        translator.stderrBytes("Error opening input: Invalid data found when processing input\n"),
        "")
        << "said once";
}

TEST(Dialect, ProgressLinesAndSummaryInTheOldForm)
{
    Translator translator(Profile());
    const std::string block =
        "frame=60\nfps=25.3\nstream_0_0_q=6.0\nbitrate= 224.3kbits/s\ntotal_size=115000\n"
        "out_time_us=4066667\nout_time=00:00:04.066667\ndup_frames=0\ndrop_frames=0\n"
        "speed=103x\nprogress=";
    EXPECT_EQ(translator.progressBytes(block), "");
    EXPECT_EQ(translator.progressBytes("continue\n"),
              "frame=   60 fps= 25 q=6.0 size=     112kB time=4.1 bitrate= 224.3kbits/s    \r");
    EXPECT_EQ(translator.progressBytes("dup_frames=3\ndrop_frames=1\nprogress=end\n"),
              "frame=   60 fps= 25 q=6.0 size=     112kB time=4.1 bitrate= 224.3kbits/s dup=3 "
              "drop=1    \r");
    EXPECT_EQ(translator.summary(), "");
    translator.stderrBytes(
        "video:65kB audio:32kB subtitle:0kB other streams:0kB global headers:0kB muxing overhead: "
        "15.527649%\n");
    EXPECT_EQ(translator.summary(),
              "\nvideo:65kB audio:32kB global headers:0kB muxing overhead 15.527649%\n");

    // Found by fuzzing: counts too large for the old format are capped.
    EXPECT_EQ(translator
                  .progressBytes(
                      "frame=2333333333333333\nfps=nan\ndup_frames=-1e300\nprogress=continue\n")
                  .rfind("frame=2000000000 fps=  0 ", 0),
              0u);
}

} // namespace
} // namespace nnn
