#include "support/aviprobe.h"

#include "platform/childprocess.h"

#include <gtest/gtest.h>

namespace clipvane::test {

std::string ProbeStreams(const std::string& file, const std::string& entries)
{
    platform::OutputPipe pipe;
    if (!platform::CreateOutputPipe(pipe))
        return {};
    platform::ChildProcess child;
    const bool started = platform::StartChild(
        {"ffprobe", "-v", "error", "-show_entries", entries, "-of", "compact=p=0", file},
        pipe.writeEnd, child);
    platform::CloseWriteEnd(pipe);
    std::string output;
    char buffer[4096];
    while (started) {
        const std::size_t n = platform::ReadBytes(pipe.readEnd, buffer, sizeof buffer);
        if (n == 0)
            break;
        output.append(buffer, n);
    }
    if (started)
        platform::ReapChild(child);
    platform::CloseOutputPipe(pipe);
    return output;
}

void ExpectTheAviProfile(const std::string& streams)
{
    EXPECT_NE(streams.find("codec_name=mpeg4|codec_tag_string=divx|width=320|height=240"),
              std::string::npos)
        << streams;
    EXPECT_NE(
        streams.find("codec_name=mp3|codec_tag_string=U[0][0][0]|sample_rate=44100|channels=1"),
        std::string::npos)
        << streams;
}

} // namespace clipvane::test
