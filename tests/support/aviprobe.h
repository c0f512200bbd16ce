#pragma once

#include <string>

// What ffprobe says of a file's streams, one compact line a stream: how the
// tests see that a saved clip really is the AVI of the profile.
namespace clipvane::test {

constexpr const char* kStreamEntries =
    "stream=codec_name,codec_tag_string,width,height,channels,sample_rate";

std::string ProbeStreams(const std::string& file, const std::string& entries = kStreamEntries);

// MPEG-4 video tagged divx at 320x240 and mono MP3 at 44.1 kHz.
void ExpectTheAviProfile(const std::string& streams);

} // namespace clipvane::test
