#pragma once

#include "core/source/internet.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clipvane {

// The three blocking requests of a job's resolution phase. None reports an
// error: failure shows as an empty text, 0 or false. Each ends at once, as
// failed, when `stop` is set.

// The whole body of `address`, every byte kept. Empty when nothing could be
// read, when the body grows beyond kMaxDocumentBytes (the documents read this
// way are small, and a hostile page must not exhaust memory), and when it has
// not all come within kDocumentDeadlineSeconds (a server that drips must not
// hold the job, and the window, for ever).
[[nodiscard]] std::string FetchUrlText(const std::string& address, const StopFlag* stop = nullptr);

// The length of the resource at `address`, as the server announces it,
// without reading the body: its Content-Length; for a part of it sent as
// 206 (a server that answers a plain request so), the whole size its
// Content-Range names. 0 when it is absent, not a plain decimal number or
// out of range.
[[nodiscard]] std::int64_t GetContentLength(const std::string& address,
                                            const StopFlag* stop = nullptr);

// The same rule for a request already open.
[[nodiscard]] std::int64_t GetContentLengthOf(const InternetRequest& request);

// Whether the maker's probe file can be read and begins with "12345", within
// the same deadline.
[[nodiscard]] bool CheckConnection();
[[nodiscard]] bool CheckConnection(const std::string& probeAddress, const StopFlag* stop = nullptr);

// The Content-Length rule on its own: up to the first NUL, leading blanks, an
// optional sign, decimal digits, within the signed 64-bit range; else 0.
std::int64_t ContentLengthValue(const std::string& headerText);

// "bytes FIRST-LAST/TOTAL" of a Content-Range; TOTAL is nothing for "*".
struct ContentRange
{
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::optional<std::int64_t> total;
};
std::optional<ContentRange> ContentRangeValue(const std::string& headerText);

// A document as it came, with what the answer said of it.
struct FetchedDocument
{
    bool reached = false; // a server answered (whatever its status)
    long status = 0;
    std::string contentType;
    std::string finalAddress; // after every redirect
    std::string body;         // whole, or its beginning when it is media
    bool isMedia = false;     // said so by its type or its first bytes
    std::int64_t length = 0;  // as GetContentLengthOf reads it
    RequestFailure failure;   // when it was not reached
};

// What a fetch sends: its user agent and header lines, whose cookies.
struct RequestProfile
{
    std::string userAgent;
    std::vector<std::string> headers;
    std::shared_ptr<RequestShare> share; // null: the process's
};

// The service's own request for a page: "Mozilla", "Accept: */*".
RequestProfile ServicePageRequest();
// A current desktop browser's request for a page, or for media the page
// named (then with the page as Referer).
RequestProfile BrowserPageRequest(std::shared_ptr<RequestShare> share);
RequestProfile BrowserMediaRequest(std::shared_ptr<RequestShare> share, const std::string& page);

// Fetches a document as `profile` asks, within the document deadline and
// size cap; a body that turns out to be media (a video or playlist type,
// or the first bytes of a media file) is read no further than its start,
// so an address of a film is never downloaded as a page.
// `whole`: read to the end all the same (a playlist is media and a text).
[[nodiscard]] FetchedDocument FetchDocument(const std::string& address,
                                            const RequestProfile& profile,
                                            const StopFlag* stop = nullptr, bool whole = false);

// Whether a Content-Type names video, sound or an HLS playlist.
bool IsMediaType(const std::string& contentType);
// Whether bytes start the way a media file does: FLV, MP4 and the ISO
// family, WebM and Matroska, MPEG-TS, an HLS playlist.
bool StartsLikeMedia(std::string_view bytes);

inline constexpr const char* kCurrentBrowserAgent =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/131.0.0.0 Safari/537.36";

inline constexpr std::size_t kReadChunkBytes = 3072;
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{16} * 1024 * 1024;
inline constexpr long kDocumentDeadlineSeconds = 30;

// Tests shorten the deadline; 0 restores it.
void SetDocumentDeadlineForTests(long seconds);
inline constexpr const char* kBrowserAgent = "Mozilla";
inline constexpr const char* kLengthAgent = "Internet Explorer";
inline constexpr const char* kAcceptAnything = "Accept: */*";

} // namespace clipvane
