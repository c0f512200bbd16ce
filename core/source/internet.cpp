#include "core/source/internet.h"

#include "core/base/asciicase.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <curl/curl.h>
#include <mutex>
#include <optional>
#include <string_view>

namespace clipvane {

namespace {

// A body is buffered only this far ahead of the reader; beyond it the
// transfer pauses until the reader catches up.
constexpr std::size_t kReadAhead = std::size_t{1024} * 1024;
constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 60;
std::atomic<long> g_stallSeconds{kStallSeconds};
constexpr long kMaxRedirects = 10;

std::mutex g_authorityMutex;
std::string g_authorityForTests; // guarded by g_authorityMutex

std::string authorityForTests()
{
    std::lock_guard lock(g_authorityMutex);
    return g_authorityForTests;
}

} // namespace

struct RequestShare::Locks
{
    static constexpr std::size_t kCount = CURL_LOCK_DATA_LAST;
    std::array<std::mutex, kCount> mutexes;

    static std::size_t index(curl_lock_data data)
    {
        const auto i = static_cast<std::size_t>(data);
        return i < kCount ? i : 0;
    }
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self)
    {
        static_cast<Locks*>(self)->mutexes[index(data)].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self)
    {
        static_cast<Locks*>(self)->mutexes[index(data)].unlock();
    }
};

RequestShare::RequestShare() : m_locks(std::make_unique<Locks>())
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Locks::lock);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Locks::unlock);
    curl_share_setopt(share, CURLSHOPT_USERDATA, m_locks.get());
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    m_share = share;
}

RequestShare::~RequestShare()
{
    curl_share_cleanup(static_cast<CURLSH*>(m_share));
}

RequestShare& RequestShare::processWide()
{
    static RequestShare share;
    return share;
}

void* RequestShare::handle() const
{
    return m_share;
}

std::vector<std::string> RequestShare::cookieLines()
{
    std::vector<std::string> lines;
    CURL* easy = curl_easy_init();
    if (!easy)
        return lines;
    curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    curl_slist* cookies = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &cookies) == CURLE_OK) {
        for (curl_slist* c = cookies; c; c = c->next)
            lines.emplace_back(c->data);
        curl_slist_free_all(cookies);
    }
    curl_easy_cleanup(easy);
    return lines;
}

void RequestShare::addCookieLines(const std::vector<std::string>& lines)
{
    CURL* easy = curl_easy_init();
    if (!easy)
        return;
    curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    for (const std::string& line : lines)
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    curl_easy_cleanup(easy);
}

void SetCertificateAuthorityForTests(const std::string& pemFile)
{
    std::lock_guard lock(g_authorityMutex);
    g_authorityForTests = pemFile;
}

bool SetUpTransfer(void* handle, const std::string& address, const std::string& userAgent,
                   RequestShare& share)
{
    if (!IsWebAddress(address) || address.find('\0') != std::string::npos)
        return false;
    CURL* easy = handle;
    curl_easy_setopt(easy, CURLOPT_SHARE, static_cast<CURLSH*>(share.handle()));
    if (const std::string authority = authorityForTests(); !authority.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, authority.c_str());
    if (curl_easy_setopt(easy, CURLOPT_URL, address.c_str()) != CURLE_OK)
        return false;
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, g_stallSeconds.load());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // the cookie engine, in memory
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024); // fewer, larger deliveries
    return true;
}

void SetStallTimeoutForTests(long seconds)
{
    g_stallSeconds = seconds > 0 ? seconds : kStallSeconds;
}

bool IsWebAddress(const std::string& address)
{
    return StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://");
}

struct InternetRequest::State
{
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    std::string buffer; // body bytes received and not yet read
    std::size_t bufferStart = 0;
    bool headersDone = false;
    bool finished = false;
    bool failed = false;
    bool paused = false;
    bool locationSeen = false; // in the response whose headers are arriving
    const StopFlag* stop = nullptr;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool timedOut = false;
    CURLcode result = CURLE_OK;
    std::array<char, CURL_ERROR_SIZE + 1> errorText{};
    std::shared_ptr<RequestShare> share; // kept while the transfer may use it

    ~State()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        if (headers)
            curl_slist_free_all(headers);
    }

    std::size_t buffered() const { return buffer.size() - bufferStart; }

    // Runs the transfer until `done()` holds or the transfer has ended.
    template <class Done> void runUntil(Done done)
    {
        while (!finished && !done()) {
            if (stop && stop->load() == 1) {
                finished = failed = true;
                break;
            }
            if (deadline && std::chrono::steady_clock::now() >= *deadline) {
                finished = failed = timedOut = true;
                break;
            }
            if (paused && buffered() < kReadAhead) {
                paused = false;
                curl_easy_pause(easy, CURLPAUSE_CONT);
            }
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                finished = failed = true;
                break;
            }
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE) {
                    finished = true;
                    result = message->data.result;
                    failed = result != CURLE_OK;
                }
            }
            if (finished || done())
                break;
            if (paused)
                continue;
            // A stop and the deadline are looked at this often while nothing
            // arrives.
            curl_multi_poll(multi, nullptr, 0, stop || deadline ? 100 : 1000, nullptr);
        }
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* state = static_cast<State*>(self);
        state->headersDone = true;
        if (state->buffered() >= kReadAhead) {
            state->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        if (state->bufferStart > 0 && state->bufferStart == state->buffer.size()) {
            state->buffer.clear();
            state->bufferStart = 0;
        }
        state->buffer.append(data, size * count);
        return size * count;
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* state = static_cast<State*>(self);
        const std::string_view line(data, size * count);
        if (StartsWithNoCase(line, "http/")) {
            state->locationSeen = false; // a new response begins
        } else if (StartsWithNoCase(line, "location:")) {
            state->locationSeen = true;
        } else if (line == "\r\n" || line == "\n") {
            // The blank line ends one response's headers. A provisional
            // answer, or a redirect that libcurl goes on to follow, is not
            // the final one; the final one's headers are what the caller
            // asks about.
            long code = 0;
            curl_easy_getinfo(state->easy, CURLINFO_RESPONSE_CODE, &code);
            const bool provisional = code >= 100 && code < 200;
            const bool followed =
                state->locationSeen &&
                (code == 301 || code == 302 || code == 303 || code == 307 || code == 308);
            if (!provisional && !followed)
                state->headersDone = true;
        }
        return size * count;
    }
};

InternetRequest::InternetRequest(std::unique_ptr<State> state) : m_state(std::move(state)) {}

InternetRequest::~InternetRequest() = default;

std::unique_ptr<InternetRequest> InternetRequest::open(const InternetSession& session,
                                                       const std::string& address,
                                                       const std::string& extraHeaders)
{
    RequestOptions options;
    if (!extraHeaders.empty())
        options.headers.push_back(extraHeaders);
    return open(session, address, options);
}

std::unique_ptr<InternetRequest> InternetRequest::open(const InternetSession& session,
                                                       const std::string& address,
                                                       const RequestOptions& options)
{
    if (!IsWebAddress(address) || address.find('\0') != std::string::npos)
        return nullptr;

    auto state = std::make_unique<State>();
    state->share = options.share;
    RequestShare& share = options.share ? *options.share : RequestShare::processWide();
    state->easy = curl_easy_init();
    state->multi = curl_multi_init();
    if (!state->easy || !state->multi)
        return nullptr;

    CURL* easy = state->easy;
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, state->errorText.data());
    if (!SetUpTransfer(easy, address, session.userAgent(), share))
        return nullptr;
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, state.get());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &State::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, state.get());

    // libcurl sends "Accept: */*" of its own accord; the request carries
    // exactly the extra headers it was given, or none.
    if (options.headers.empty())
        state->headers = curl_slist_append(nullptr, "Accept:");
    for (const std::string& header : options.headers) {
        // One header a line: a line break inside would start a header of its own.
        if (header.find_first_of("\r\n") != std::string::npos ||
            header.find('\0') != std::string::npos)
            return nullptr;
        state->headers = curl_slist_append(state->headers, header.c_str());
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, state->headers);
    state->stop = options.stop;
    if (options.deadlineSeconds > 0)
        state->deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(options.deadlineSeconds);

    if (curl_multi_add_handle(state->multi, easy) != CURLM_OK)
        return nullptr;

    State* s = state.get();
    s->runUntil([s] { return s->headersDone; });
    if (!s->headersDone) {
        if (options.failure) {
            options.failure->reason =
                s->errorText[0] ? s->errorText.data() : curl_easy_strerror(s->result);
            options.failure->certificate =
                s->result == CURLE_PEER_FAILED_VERIFICATION ||
                s->result == CURLE_SSL_CACERT_BADFILE || s->result == CURLE_SSL_CERTPROBLEM ||
                s->result == CURLE_SSL_ISSUER_ERROR || s->result == CURLE_SSL_PINNEDPUBKEYNOTMATCH;
        }
        return nullptr;
    }
    return std::unique_ptr<InternetRequest>(new InternetRequest(std::move(state)));
}

std::size_t InternetRequest::read(char* buffer, std::size_t size)
{
    State* s = m_state.get();
    if (size == 0)
        return 0;
    s->runUntil([s, size] { return s->buffered() >= size; });
    return take(buffer, size);
}

std::size_t InternetRequest::readSome(char* buffer, std::size_t size)
{
    State* s = m_state.get();
    if (size == 0)
        return 0;
    s->runUntil([s] { return s->buffered() > 0; });
    return take(buffer, size);
}

std::size_t InternetRequest::take(char* buffer, std::size_t size)
{
    State* s = m_state.get();
    const std::size_t count = std::min(size, s->buffered());
    if (count == 0)
        return 0;
    s->buffer.copy(buffer, count, s->bufferStart);
    s->bufferStart += count;
    if (s->bufferStart >= kReadAhead) {
        s->buffer.erase(0, s->bufferStart);
        s->bufferStart = 0;
    }
    return count;
}

std::string InternetRequest::finalAddress() const
{
    char* address = nullptr;
    curl_easy_getinfo(m_state->easy, CURLINFO_EFFECTIVE_URL, &address);
    return address ? address : "";
}

long InternetRequest::statusCode() const
{
    long code = 0;
    curl_easy_getinfo(m_state->easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

bool InternetRequest::failed() const
{
    return m_state->failed;
}

bool InternetRequest::timedOut() const
{
    return m_state->timedOut;
}

std::optional<std::string> InternetRequest::header(const std::string& name) const
{
    curl_header* header = nullptr;
    if (curl_easy_header(m_state->easy, name.c_str(), 0, CURLH_HEADER, -1, &header) != CURLHE_OK ||
        !header)
        return std::nullopt;
    return std::string(header->value ? header->value : "");
}

} // namespace clipvane
