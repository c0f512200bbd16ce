#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace clipvane {

// What a web page offers of a video: the media addresses it names, best
// first, and the players it embeds, all made absolute; and its title.
struct PageFindings
{
    // In the order they are to be tried: Open Graph (secure address, then
    // address, then plain), twitter:player:stream, JSON-LD VideoObject
    // contentUrl, then <video> and <source> (MP4 before HLS before WebM).
    std::vector<std::string> media;
    // <iframe src> players, in page order.
    std::vector<std::string> players;
    // og:title, twitter:title, JSON-LD name, then <title>, entities decoded
    // and blanks collapsed; empty when the page names none.
    std::string title;
};

// Reads an HTML page with a real parser (libxml2's, as a stream of events:
// no tree is built, so memory stays near the page's size). `pageAddress` is
// the final address after redirects, the base of relative addresses unless
// the page names a <base href>. `charset` is the one the Content-Type header
// named, if any; else the page's own <meta> says, else UTF-8 when the bytes
// are UTF-8 and Windows-1252 when not, as browsers read them. Only http and
// https addresses are kept; placeholders ("//:0", "about:", "blob:",
// "data:", "javascript:") never are.
PageFindings FindPageMedia(std::string_view page, const std::string& pageAddress,
                           const std::string& charset = {});

// `reference` made absolute against `base`; empty when it is no http or
// https address then.
std::string AbsoluteWebAddress(const std::string& base, const std::string& reference);

// Whether an address names an HLS playlist (its path ends in ".m3u8").
bool LooksLikeHls(const std::string& address);

// The charset a Content-Type header value names ("text/html; charset=x"),
// or empty.
std::string CharsetOf(const std::string& contentType);

} // namespace clipvane
