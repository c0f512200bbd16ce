#include "core/source/webfetch.h"

#include "core/source/internet.h"
#include "core/source/servicehosts.h"

#include <array>
#include <atomic>
#include <limits>
#include <string_view>

namespace clipvane {

namespace {

std::atomic<long> g_deadlineSeconds{kDocumentDeadlineSeconds};

RequestOptions documentRequest(std::vector<std::string> headers, const StopFlag* stop)
{
    RequestOptions options;
    options.headers = std::move(headers);
    options.stop = stop;
    options.deadlineSeconds = g_deadlineSeconds.load();
    return options;
}

} // namespace

void SetDocumentDeadlineForTests(long seconds)
{
    g_deadlineSeconds = seconds > 0 ? seconds : kDocumentDeadlineSeconds;
}

std::string FetchUrlText(const std::string& address, const StopFlag* stop)
{
    const InternetSession session(kBrowserAgent);
    const auto request =
        InternetRequest::open(session, address, documentRequest({kAcceptAnything}, stop));
    if (!request)
        return {};
    std::string body;
    std::array<char, kReadChunkBytes> chunk{};
    while (const std::size_t count = request->read(chunk.data(), chunk.size())) {
        if (body.size() + count > kMaxDocumentBytes)
            return {};
        body.append(chunk.data(), count);
    }
    // Out of time: no document, not a part of one.
    if (request->timedOut())
        return {};
    return body;
}

std::int64_t ContentLengthValue(const std::string& headerText)
{
    const std::string text = headerText.substr(0, headerText.find('\0'));
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return 0;
    // Counted down from the limit, so nothing past the range is ever formed.
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
    const std::uint64_t limit = negative ? kLargest + 1 : kLargest;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        const auto digit = static_cast<std::uint64_t>(text[i] - '0');
        if (value > (limit - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    if (negative)
        return value == kLargest + 1 ? std::numeric_limits<std::int64_t>::min()
                                     : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

std::optional<ContentRange> ContentRangeValue(const std::string& headerText)
{
    auto number = [](const std::string& digits) -> std::optional<std::int64_t> {
        if (digits.empty() || digits.size() > 18 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        return std::stoll(digits);
    };
    const std::string prefix = "bytes ";
    if (headerText.rfind(prefix, 0) != 0)
        return std::nullopt;
    const auto dash = headerText.find('-', prefix.size());
    const auto slash = headerText.find('/', prefix.size());
    if (dash == std::string::npos || slash == std::string::npos || dash > slash)
        return std::nullopt;
    const auto first = number(headerText.substr(prefix.size(), dash - prefix.size()));
    const auto last = number(headerText.substr(dash + 1, slash - dash - 1));
    if (!first || !last || *last < *first)
        return std::nullopt;
    ContentRange range{*first, *last, std::nullopt};
    const std::string total = headerText.substr(slash + 1);
    if (total != "*") {
        range.total = number(total);
        if (!range.total || *range.total <= *last)
            return std::nullopt;
    }
    return range;
}

std::int64_t GetContentLength(const std::string& address, const StopFlag* stop)
{
    const InternetSession session(kLengthAgent);
    RequestOptions options;
    options.stop = stop;
    const auto request = InternetRequest::open(session, address, options);
    return request ? GetContentLengthOf(*request) : 0;
}

std::int64_t GetContentLengthOf(const InternetRequest& request)
{
    if (request.statusCode() == 206) {
        // A part was sent where the whole was asked for: the whole is what
        // the clip is, and only a range from its start says how long.
        const auto header = request.header("Content-Range");
        const auto range = header ? ContentRangeValue(*header) : std::nullopt;
        return range && range->first == 0 && range->total ? *range->total : 0;
    }
    const auto header = request.header("Content-Length");
    return header ? ContentLengthValue(*header) : 0;
}

RequestProfile ServicePageRequest()
{
    return {kBrowserAgent, {kAcceptAnything}, nullptr};
}

RequestProfile BrowserPageRequest(std::shared_ptr<RequestShare> share)
{
    return {kCurrentBrowserAgent,
            {"Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
             "Accept-Language: en-US,en;q=0.9"},
            std::move(share)};
}

RequestProfile BrowserMediaRequest(std::shared_ptr<RequestShare> share, const std::string& page)
{
    RequestProfile profile{
        kCurrentBrowserAgent, {"Accept: */*", "Accept-Language: en-US,en;q=0.9"}, std::move(share)};
    // A line break in the page's address must not become a header of its own.
    if (page.find_first_of("\r\n") == std::string::npos && !page.empty())
        profile.headers.push_back("Referer: " + page);
    return profile;
}

bool IsMediaType(const std::string& contentType)
{
    std::string type = contentType.substr(0, contentType.find(';'));
    for (char& c : type)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    return type.rfind("video/", 0) == 0 || type.rfind("audio/", 0) == 0 ||
           type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl";
}

bool StartsLikeMedia(std::string_view b)
{
    auto at = [&b](std::size_t i) {
        return i < b.size() ? static_cast<unsigned char>(b[i]) : 0x100u;
    };
    if (b.substr(0, 3) == "FLV")
        return true;
    if (b.size() >= 8 && (b.substr(4, 4) == "ftyp" || b.substr(4, 4) == "moov" ||
                          b.substr(4, 4) == "mdat" || b.substr(4, 4) == "free"))
        return true;
    if (at(0) == 0x1A && at(1) == 0x45 && at(2) == 0xDF && at(3) == 0xA3) // EBML
        return true;
    if (at(0) == 0x47 && at(188) == 0x47) // MPEG-TS packets
        return true;
    const std::size_t bom = b.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    return b.substr(bom, 7) == "#EXTM3U";
}

FetchedDocument FetchDocument(const std::string& address, const RequestProfile& profile,
                              const StopFlag* stop, bool whole)
{
    FetchedDocument document;
    const InternetSession session(profile.userAgent);
    RequestOptions options = documentRequest(profile.headers, stop);
    options.share = profile.share;
    options.failure = &document.failure;
    const auto request = InternetRequest::open(session, address, options);
    if (!request)
        return document;
    document.reached = true;
    document.status = request->statusCode();
    document.contentType = request->header("Content-Type").value_or("");
    document.finalAddress = request->finalAddress();
    document.length = GetContentLengthOf(*request);
    constexpr std::size_t kSniffBytes = 512;
    std::array<char, kReadChunkBytes> chunk{};
    while (const std::size_t count = request->read(chunk.data(), chunk.size())) {
        if (document.body.size() + count > kMaxDocumentBytes) {
            document.body.clear();
            return document;
        }
        document.body.append(chunk.data(), count);
        if (!whole && (document.body.size() >= kSniffBytes || document.body.size() == count)) {
            if (document.status < 400 &&
                (IsMediaType(document.contentType) || StartsLikeMedia(document.body))) {
                document.isMedia = true;
                return document;
            }
        }
    }
    if (request->timedOut())
        document.body.clear();
    else if (document.status < 400 && StartsLikeMedia(document.body))
        document.isMedia = true;
    return document;
}

bool CheckConnection(const std::string& probeAddress, const StopFlag* stop)
{
    const InternetSession session(kBrowserAgent);
    const auto request = InternetRequest::open(session, probeAddress, documentRequest({}, stop));
    if (!request)
        return false;
    std::array<char, 10> first{};
    const std::size_t count = request->read(first.data(), first.size());
    return count >= 5 && !request->timedOut() && std::string_view(first.data(), 5) == "12345";
}

bool CheckConnection()
{
    return CheckConnection(ProbeAddress(CurrentHosts()));
}

} // namespace clipvane
