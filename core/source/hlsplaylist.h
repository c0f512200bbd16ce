#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// HLS playlists (RFC 8216) as far as a finished video needs them: the
// master's variants and sound renditions, the media playlist's segments,
// their byte ranges, initialisation sections and AES-128 keys.
namespace clipvane::hls {

struct Variant
{
    std::string uri; // absolute
    std::int64_t bandwidth = 0;
    int width = 0;
    int height = 0;
    std::string audioGroup;
};

struct Rendition
{
    std::string type; // "AUDIO", "SUBTITLES", ...
    std::string groupId;
    std::string uri; // absolute; empty when the sound is in the variant itself
    bool isDefault = false;
};

struct Master
{
    std::vector<Variant> variants; // I-frame playlists are never among them
    std::vector<Rendition> renditions;
};

struct ByteRange
{
    std::int64_t length = 0;
    std::int64_t offset = 0;
};

struct Key
{
    std::string uri; // absolute
    // The IV attribute, or nothing: then each segment's sequence number.
    std::optional<std::array<std::uint8_t, 16>> iv;
};

struct Map
{
    std::string uri;
    std::optional<ByteRange> range;
    int key = -1; // the key in effect where it stands, or -1
};

struct Segment
{
    std::string uri;
    double seconds = 0;
    std::optional<ByteRange> range;
    int key = -1; // an index into Media::keys, or -1 for a clear segment
    int map = -1; // an index into Media::maps, or -1
    std::uint64_t sequence = 0;
    bool discontinuity = false;
};

struct Media
{
    std::vector<Segment> segments;
    std::vector<Key> keys;
    std::vector<Map> maps;
    double seconds = 0;
};

// Why a playlist is not saved.
enum class Refusal
{
    None,
    Live,       // no EXT-X-ENDLIST: it is not finished
    Protected,  // SAMPLE-AES, a key format or method that is not plain AES-128, a FairPlay key
    Gaps,       // segments marked absent
    Unreadable, // not a playlist, or one that contradicts itself
};

struct MediaReading
{
    Refusal refusal = Refusal::None;
    Media media;
};

// Whether `text` is a playlist at all ("#EXTM3U" first), and a master.
bool IsPlaylist(std::string_view text);
bool IsMasterPlaylist(std::string_view text);

// `base` is the playlist's own (final) address, for its relative URIs.
Master ReadMaster(std::string_view text, const std::string& base);
MediaReading ReadMedia(std::string_view text, const std::string& base);

// The variant to save: the most pixels, then the highest bandwidth; none
// when the master has no variant.
std::optional<std::size_t> BestVariant(const Master& master);
// The separate sound of a variant: the default rendition of its AUDIO
// group that has a URI, else the first with one; null when its sound is
// in the variant itself.
const Rendition* SoundOf(const Master& master, const Variant& variant);

// The IV of a segment: the key's own, else its sequence number as a
// 128-bit big-endian number (RFC 8216, 5.2).
std::array<std::uint8_t, 16> IvOf(const Key& key, std::uint64_t sequence);

} // namespace clipvane::hls
