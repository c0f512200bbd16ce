#include "core/source/webfetch.h"

#include "core/source/internet.h"
#include "core/source/servicehosts.h"

#include <array>
#include <atomic>
#include <limits>

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

std::int32_t ContentLengthValue(const std::string& headerText)
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
    std::int64_t value = 0;
    const std::int64_t limit =
        negative ? std::int64_t{1} << 31 : std::numeric_limits<std::int32_t>::max();
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            return 0;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t GetContentLength(const std::string& address, const StopFlag* stop)
{
    const InternetSession session(kLengthAgent);
    RequestOptions options;
    options.stop = stop;
    const auto request = InternetRequest::open(session, address, options);
    return request ? GetContentLengthOf(*request) : 0;
}

std::int32_t GetContentLengthOf(const InternetRequest& request)
{
    const auto header = request.header("Content-Length");
    return header ? ContentLengthValue(*header) : 0;
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
