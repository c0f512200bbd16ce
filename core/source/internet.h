#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace clipvane {

// Set to 1 by whoever wants the requests that watch it to end at once,
// whatever they wait for; read by the thread that runs them.
using StopFlag = std::atomic<std::uint8_t>;

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

// Cookies and name lookups that requests share, as the tabs of a browser
// share them. The service's requests share the one of the process, as a
// desktop internet client did; each job on today's web has one of its own.
class RequestShare
{
public:
    RequestShare();
    ~RequestShare();
    RequestShare(const RequestShare&) = delete;
    RequestShare& operator=(const RequestShare&) = delete;

    static RequestShare& processWide();

    // The cookies it holds, in the Netscape cookie-file form, and more of them.
    std::vector<std::string> cookieLines();
    void addCookieLines(const std::vector<std::string>& lines);

    void* handle() const; // libcurl's share, for the requests

private:
    struct Locks;
    std::unique_ptr<Locks> m_locks;
    void* m_share = nullptr;
};

// Why a request could not be opened.
struct RequestFailure
{
    std::string reason;       // libcurl's words
    bool certificate = false; // the server's certificate was not trusted
};

// What a request sends besides its address and user agent.
struct RequestOptions
{
    // Header lines without their terminators, in this order. With none, the
    // request carries no Accept header at all.
    std::vector<std::string> headers;
    // When set and 1, the request ends at once as failed, whatever it is
    // waiting for (the connection, the headers, the body).
    const StopFlag* stop = nullptr;
    // When above 0, the whole request (connection, headers and body) ends
    // as failed and timed out after this many seconds, however steadily
    // bytes come.
    long deadlineSeconds = 0;
    // Whose cookies it sends and keeps; null: the process's.
    std::shared_ptr<RequestShare> share;
    // When set, what went wrong when the request could not be opened.
    RequestFailure* failure = nullptr;
};

// One GET request, read the way a desktop internet client reads: opening
// sends the request and waits for the final response headers, after every
// redirect; reads then deliver body bytes on demand until a read delivers 0.
// The status code is not looked at here. Only http and https addresses are
// opened, and a redirect to anything else fails the request.
class InternetRequest
{
public:
    // Null when the address cannot be opened: a malformed or non-web address,
    // a name that does not resolve, a refused connection, no response.
    // `extraHeaders` is one header line without its terminator, or empty.
    static std::unique_ptr<InternetRequest> open(const InternetSession& session,
                                                 const std::string& address,
                                                 const std::string& extraHeaders);
    static std::unique_ptr<InternetRequest>
    open(const InternetSession& session, const std::string& address, const RequestOptions& options);
    ~InternetRequest();
    InternetRequest(const InternetRequest&) = delete;
    InternetRequest& operator=(const InternetRequest&) = delete;

    // Waits until `size` bytes have arrived or the body has ended, and copies
    // what there is. 0 at the end of the body and after a failure.
    std::size_t read(char* buffer, std::size_t size);
    // Waits until some bytes have arrived or the body has ended, and copies
    // up to `size` of them: a slow server's bytes are counted as they come.
    std::size_t readSome(char* buffer, std::size_t size);

    // The value of a response header of the final response, as the server
    // wrote it; nothing when the header is absent.
    std::optional<std::string> header(const std::string& name) const;

    // The final response's status code.
    long statusCode() const;
    // The address that gave the final response, after every redirect.
    std::string finalAddress() const;
    // Once a read has delivered 0: whether the body ended by an error (a
    // broken connection, a stall, a stop) rather than at its end.
    bool failed() const;
    // Whether it was the deadline that ended it.
    bool timedOut() const;

    struct State;

private:
    explicit InternetRequest(std::unique_ptr<State> state);
    std::size_t take(char* buffer, std::size_t size);
    std::unique_ptr<State> m_state;
};

// Sets up a libcurl easy handle (given as void*) the way every request of
// the program is: web protocols only, also after redirects, which are
// followed; the time-outs; the share's cookies and lookups; the trusted
// authorities. False for an address that is no web address.
[[nodiscard]] bool SetUpTransfer(void* easy, const std::string& address,
                                 const std::string& userAgent, RequestShare& share);

// True for an address that names the http or https scheme, in any case.
bool IsWebAddress(const std::string& address);

// A transfer that receives nothing for this long ends as failed (60 s).
// Tests shorten it; 0 restores the default.
void SetStallTimeoutForTests(long seconds);

// Tests trust the certificate authority of this file (a PEM) instead of the
// system's; an empty path restores the system's. Nothing else sets it.
void SetCertificateAuthorityForTests(const std::string& pemFile);

} // namespace clipvane
