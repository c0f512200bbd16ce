#include "core/source/hlsplaylist.h"

#include "core/base/asciicase.h"
#include "core/source/pagemedia.h"

#include <cstdlib>
#include <limits>
#include <map>

namespace clipvane::hls {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Each line of a playlist, blanks around it gone; a BOM before the first.
std::vector<std::string_view> linesOf(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line =
            trimmed(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (!line.empty())
            lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return lines;
}

// NAME=VALUE,NAME="VALUE, with commas",...; names in upper case, quotes gone.
std::map<std::string, std::string> attributesOf(std::string_view list)
{
    std::map<std::string, std::string> attributes;
    std::size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && (list[i] == ' ' || list[i] == ','))
            ++i;
        const std::size_t equals = list.find('=', i);
        if (equals == std::string_view::npos)
            break;
        const std::string name = AsciiUpper(trimmed(list.substr(i, equals - i)));
        i = equals + 1;
        std::string value;
        if (i < list.size() && list[i] == '"') {
            const std::size_t close = list.find('"', i + 1);
            value = std::string(list.substr(
                i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1));
            i = close == std::string_view::npos ? list.size() : close + 1;
        } else {
            const std::size_t comma = list.find(',', i);
            value = std::string(trimmed(list.substr(
                i, comma == std::string_view::npos ? std::string_view::npos : comma - i)));
            i = comma == std::string_view::npos ? list.size() : comma;
        }
        attributes[name] = value;
    }
    return attributes;
}

bool startsWith(std::string_view line, std::string_view prefix)
{
    return line.substr(0, prefix.size()) == prefix;
}

std::string_view valueOf(std::string_view line)
{
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
}

std::int64_t integer(std::string_view text)
{
    const std::string s(trimmed(text));
    char* end = nullptr;
    const long long value = std::strtoll(s.c_str(), &end, 10);
    return end == s.c_str() ? -1 : value;
}

std::optional<std::array<std::uint8_t, 16>> ivOf(std::string text)
{
    if (text.size() < 3 || (text.substr(0, 2) != "0x" && text.substr(0, 2) != "0X"))
        return std::nullopt;
    text = text.substr(2);
    if (text.size() > 32 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    text = std::string(32 - text.size(), '0') + text;
    std::array<std::uint8_t, 16> iv{};
    for (std::size_t i = 0; i < 16; ++i)
        iv[i] = static_cast<std::uint8_t>(std::strtoul(text.substr(i * 2, 2).c_str(), nullptr, 16));
    return iv;
}

// "LENGTH[@OFFSET]"; without an offset it goes on where the previous
// range of the same resource ended.
std::optional<ByteRange> rangeOf(std::string_view text, const std::string& uri,
                                 std::map<std::string, std::int64_t>& ends)
{
    const std::size_t at = text.find('@');
    ByteRange range;
    range.length = integer(text.substr(0, at));
    if (range.length <= 0)
        return std::nullopt;
    if (at != std::string_view::npos) {
        range.offset = integer(text.substr(at + 1));
        if (range.offset < 0)
            return std::nullopt;
    } else {
        const auto previous = ends.find(uri);
        if (previous == ends.end())
            return std::nullopt;
        range.offset = previous->second;
    }
    // A range that would end past any file there can be is no range.
    if (range.length > std::numeric_limits<std::int64_t>::max() - range.offset)
        return std::nullopt;
    ends[uri] = range.offset + range.length;
    return range;
}

} // namespace

bool IsPlaylist(std::string_view text)
{
    const std::vector<std::string_view> lines = linesOf(text.substr(0, 64));
    return !lines.empty() && startsWith(lines.front(), "#EXTM3U");
}

bool IsMasterPlaylist(std::string_view text)
{
    for (const std::string_view line : linesOf(text))
        if (startsWith(line, "#EXT-X-STREAM-INF"))
            return true;
    return false;
}

Master ReadMaster(std::string_view text, const std::string& base)
{
    Master master;
    std::optional<Variant> pending;
    for (const std::string_view line : linesOf(text)) {
        if (startsWith(line, "#EXT-X-STREAM-INF:")) {
            const auto a = attributesOf(valueOf(line));
            Variant variant;
            variant.bandwidth = a.count("BANDWIDTH") ? integer(a.at("BANDWIDTH")) : 0;
            if (a.count("RESOLUTION")) {
                const std::string& resolution = a.at("RESOLUTION");
                const std::size_t x = AsciiLower(resolution).find('x');
                if (x != std::string::npos) {
                    variant.width = static_cast<int>(integer(resolution.substr(0, x)));
                    variant.height = static_cast<int>(integer(resolution.substr(x + 1)));
                }
            }
            if (a.count("AUDIO"))
                variant.audioGroup = a.at("AUDIO");
            pending = variant;
        } else if (startsWith(line, "#EXT-X-MEDIA:")) {
            const auto a = attributesOf(valueOf(line));
            Rendition rendition;
            rendition.type = a.count("TYPE") ? AsciiUpper(a.at("TYPE")) : std::string();
            rendition.groupId = a.count("GROUP-ID") ? a.at("GROUP-ID") : std::string();
            if (a.count("URI"))
                rendition.uri = AbsoluteWebAddress(base, a.at("URI"));
            rendition.isDefault = a.count("DEFAULT") && AsciiUpper(a.at("DEFAULT")) == "YES";
            master.renditions.push_back(rendition);
        } else if (line.front() != '#' && pending) {
            pending->uri = AbsoluteWebAddress(base, std::string(line));
            if (!pending->uri.empty())
                master.variants.push_back(*pending);
            pending.reset();
        }
    }
    return master;
}

std::optional<std::size_t> BestVariant(const Master& master)
{
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < master.variants.size(); ++i) {
        const Variant& v = master.variants[i];
        if (!best) {
            best = i;
            continue;
        }
        const Variant& b = master.variants[*best];
        const std::int64_t pixels = std::int64_t{v.width} * v.height;
        const std::int64_t bestPixels = std::int64_t{b.width} * b.height;
        if (pixels > bestPixels || (pixels == bestPixels && v.bandwidth > b.bandwidth))
            best = i;
    }
    return best;
}

const Rendition* SoundOf(const Master& master, const Variant& variant)
{
    if (variant.audioGroup.empty())
        return nullptr;
    const Rendition* first = nullptr;
    for (const Rendition& r : master.renditions) {
        if (r.type != "AUDIO" || r.groupId != variant.audioGroup || r.uri.empty())
            continue;
        if (r.isDefault)
            return &r;
        if (!first)
            first = &r;
    }
    return first;
}

MediaReading ReadMedia(std::string_view text, const std::string& base)
{
    MediaReading reading;
    Media& media = reading.media;
    if (!IsPlaylist(text)) {
        reading.refusal = Refusal::Unreadable;
        return reading;
    }
    bool ended = false;
    bool gaps = false;
    bool protectedKey = false;
    std::uint64_t sequence = 0;
    int key = -1;
    int map = -1;
    bool discontinuity = false;
    double seconds = -1;
    std::optional<std::string> rangeText;
    std::map<std::string, std::int64_t> ends;
    for (const std::string_view line : linesOf(text)) {
        if (startsWith(line, "#EXT-X-MEDIA-SEQUENCE:")) {
            const std::int64_t first = integer(valueOf(line));
            sequence = first > 0 ? static_cast<std::uint64_t>(first) : 0;
        } else if (startsWith(line, "#EXT-X-ENDLIST")) {
            ended = true;
        } else if (startsWith(line, "#EXT-X-GAP")) {
            gaps = true;
        } else if (startsWith(line, "#EXT-X-DISCONTINUITY") &&
                   !startsWith(line, "#EXT-X-DISCONTINUITY-SEQUENCE")) {
            discontinuity = true;
        } else if (startsWith(line, "#EXTINF:")) {
            const std::string value(valueOf(line));
            seconds = std::strtod(value.c_str(), nullptr);
        } else if (startsWith(line, "#EXT-X-BYTERANGE:")) {
            rangeText = std::string(valueOf(line));
        } else if (startsWith(line, "#EXT-X-KEY:")) {
            const auto a = attributesOf(valueOf(line));
            const std::string method = a.count("METHOD") ? AsciiUpper(a.at("METHOD")) : "";
            const std::string format = a.count("KEYFORMAT") ? a.at("KEYFORMAT") : "identity";
            const std::string uri = a.count("URI") ? a.at("URI") : "";
            if (method == "NONE") {
                key = -1;
            } else if (method != "AES-128" || format != "identity" ||
                       AsciiLower(uri).rfind("skd:", 0) == 0) {
                // SAMPLE-AES, SAMPLE-AES-CTR, or no method of RFC 8216 at all.
                protectedKey = true;
            } else {
                Key k;
                k.uri = AbsoluteWebAddress(base, uri);
                if (k.uri.empty()) {
                    reading.refusal = Refusal::Unreadable;
                    return reading;
                }
                if (a.count("IV")) {
                    k.iv = ivOf(a.at("IV"));
                    if (!k.iv) {
                        reading.refusal = Refusal::Unreadable;
                        return reading;
                    }
                }
                media.keys.push_back(k);
                key = static_cast<int>(media.keys.size()) - 1;
            }
        } else if (startsWith(line, "#EXT-X-MAP:")) {
            const auto a = attributesOf(valueOf(line));
            Map m;
            m.uri = a.count("URI") ? AbsoluteWebAddress(base, a.at("URI")) : std::string();
            if (m.uri.empty()) {
                reading.refusal = Refusal::Unreadable;
                return reading;
            }
            if (a.count("BYTERANGE")) {
                m.range = rangeOf(a.at("BYTERANGE"), m.uri, ends);
                if (!m.range || a.at("BYTERANGE").find('@') == std::string::npos) {
                    reading.refusal = Refusal::Unreadable;
                    return reading;
                }
            }
            m.key = key;
            media.maps.push_back(m);
            map = static_cast<int>(media.maps.size()) - 1;
        } else if (line.front() != '#') {
            Segment segment;
            segment.uri = AbsoluteWebAddress(base, std::string(line));
            if (segment.uri.empty() || seconds < 0) {
                reading.refusal = Refusal::Unreadable;
                return reading;
            }
            segment.seconds = seconds;
            if (rangeText) {
                segment.range = rangeOf(*rangeText, segment.uri, ends);
                if (!segment.range) {
                    reading.refusal = Refusal::Unreadable;
                    return reading;
                }
            }
            segment.key = key;
            segment.map = map;
            segment.sequence = sequence++;
            segment.discontinuity = discontinuity;
            media.seconds += seconds;
            media.segments.push_back(std::move(segment));
            seconds = -1;
            rangeText.reset();
            discontinuity = false;
        }
    }
    if (protectedKey)
        reading.refusal = Refusal::Protected;
    else if (gaps)
        reading.refusal = Refusal::Gaps;
    else if (!ended)
        reading.refusal = Refusal::Live;
    else if (media.segments.empty())
        reading.refusal = Refusal::Unreadable;
    return reading;
}

std::array<std::uint8_t, 16> IvOf(const Key& key, std::uint64_t sequence)
{
    if (key.iv)
        return *key.iv;
    std::array<std::uint8_t, 16> iv{};
    for (int i = 0; i < 8; ++i)
        iv[15 - i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    return iv;
}

} // namespace clipvane::hls
