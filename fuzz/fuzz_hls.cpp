// The HLS playlist reader on any text: a master's variants, a media
// playlist's segments or its refusal, never a crash or a leak.
#include "core/source/hlsplaylist.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string base = "https://cdn.example/v/index.m3u8";
    if (clipvane::hls::IsMasterPlaylist(text)) {
        const clipvane::hls::Master master = clipvane::hls::ReadMaster(text, base);
        if (const auto best = clipvane::hls::BestVariant(master))
            (void)clipvane::hls::SoundOf(master, master.variants[*best]);
    }
    const clipvane::hls::MediaReading reading = clipvane::hls::ReadMedia(text, base);
    for (const clipvane::hls::Segment& segment : reading.media.segments)
        if (segment.key >= 0)
            (void)clipvane::hls::IvOf(reading.media.keys[static_cast<std::size_t>(segment.key)],
                                      segment.sequence);
    return 0;
}
