#pragma once

#include "core/source/internet.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

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

inline constexpr std::size_t kReadChunkBytes = 3072;
inline constexpr std::size_t kMaxDocumentBytes = std::size_t{16} * 1024 * 1024;
inline constexpr long kDocumentDeadlineSeconds = 30;

// Tests shorten the deadline; 0 restores it.
void SetDocumentDeadlineForTests(long seconds);
inline constexpr const char* kBrowserAgent = "Mozilla";
inline constexpr const char* kLengthAgent = "Internet Explorer";
inline constexpr const char* kAcceptAnything = "Accept: */*";

} // namespace clipvane
