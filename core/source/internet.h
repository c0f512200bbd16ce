#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace clipvane {

// The root of a conversation: the user agent every request sends. It holds
// no connection; each request opens and closes its own.
class InternetSession
{
public:
    explicit InternetSession(std::string userAgent) : m_userAgent(std::move(userAgent)) {}
    const std::string& userAgent() const { return m_userAgent; }

private:
    std::string m_userAgent;
};

// One GET request, read the way a desktop internet client reads: opening
// sends the request and waits for the final response headers; reads then
// deliver body bytes on demand until a read delivers 0. The status code is
// not looked at. Only http and https addresses are opened, and a redirect to
// anything else fails the request.
class InternetRequest
{
public:
    // Null when the address cannot be opened: a malformed or non-web address,
    // a name that does not resolve, a refused connection, no response.
    // `extraHeaders` is one header line without its terminator, or empty.
    static std::unique_ptr<InternetRequest> Open(const InternetSession& session,
                                                 const std::string& address,
                                                 const std::string& extraHeaders);
    ~InternetRequest();
    InternetRequest(const InternetRequest&) = delete;
    InternetRequest& operator=(const InternetRequest&) = delete;

    // Waits until `size` bytes have arrived or the body has ended, and copies
    // what there is. 0 at the end of the body and after a failure.
    std::size_t Read(char* buffer, std::size_t size);

    // The value of a response header of the final response, as the server
    // wrote it; nothing when the header is absent.
    std::optional<std::string> QueryHeader(const std::string& name) const;

    struct State;

private:
    explicit InternetRequest(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

// True for an address that names the http or https scheme, in any case.
bool IsWebAddress(const std::string& address);

// A transfer that receives nothing for this long ends as failed (60 s).
// Tests shorten it; 0 restores the default.
void SetStallTimeoutForTests(long seconds);

} // namespace clipvane
