#include "standin.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace clipvane::standin {

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::vector<Clip> makeCatalogue()
{
    std::vector<Clip> clips = {
        {"1001", "7340012", "st-7340012", "Harbour lights at dusk", 4, {}},
        {"1002", "7340013", "st-7340013", "Caf\xC3\xA9 terrace: morning rush?", 3, {}},
        {"1003",
         "7340014",
         "st-7340014",
         "Kite festival on the north beach, filmed from the old lighthouse",
         3,
         {}},
        // Long enough to watch both gauges move.
        {"1004", "7340015", "st-7340015", "Night train through the mountains", 240, {}},
        // A minute: what the whole-job benchmark converts.
        {"1005", "7340016", "st-7340016", "Sixty seconds of surf", 60, {}},
        // A page written in Latin-1, as old pages are: the title is no UTF-8.
        {"1006", "7340017", "st-7340017", "Caf\xE9 au lait \xE0 Paris", 3, {}},
        // A hostile title: what a terminal would take for commands.
        {"1007",
         "7340018",
         "st-7340018",
         "Bell\x07 esc\x1b[31mred\x1b]0;owned\x07 tab\tcr\r del\x7f end",
         3,
         {}},
        // The second control set, which a terminal obeys too.
        {"1008",
         "7340019",
         "st-7340019",
         "csi\xC2\x9B"
         "31mred osc\xC2\x9D"
         "0;owned\x07 end",
         3,
         {}},
    };
    struct Faulty
    {
        const char* vid;
        Fault fault;
        const char* title;
    };
    const Faulty faults[] = {
        {"2001", Fault::Slow, "Slow stream"},
        {"2002", Fault::Stall, "Stalled stream"},
        {"2003", Fault::Cut, "Stream cut short"},
        {"2004", Fault::WrongLength, "Stream shorter than announced"},
        {"2005", Fault::ErrorPage, "No sequence document"},
        {"2006", Fault::BrokenXml, "Broken playlist"},
        {"2007", Fault::MissingAttribute, "Playlist without a query"},
        {"2008", Fault::NulBytes, "Page with a NUL byte"},
        {"2009", Fault::HugePage, "Page far too large"},
        {"2010", Fault::CutOnce, "Stream cut once"},
        {"2011", Fault::Drip, "Page that drips"},
        {"2012", Fault::Moved, "Stream that moved"},
        {"2013", Fault::HugeTitle, "Page that is one title"},
        {"2014", Fault::ManyLines, "Page of empty lines"},
        {"2015", Fault::Late, "Page that keeps you waiting"},
    };
    int n = 0;
    for (const Faulty& f : faults) {
        const auto& [vid, fault, title] = f;
        Clip clip;
        clip.vid = vid;
        clip.clipId = "66000" + std::to_string(++n);
        clip.streamId = "st-" + clip.clipId;
        clip.title = title;
        clip.seconds = 3;
        clip.plan.fault = fault;
        clips.push_back(clip);
    }
    return clips;
}

} // namespace

bool writeAll(Link& link, const char* data, std::size_t size)
{
    while (size > 0) {
        if (link.ssl) {
            const int n = SSL_write(static_cast<SSL*>(link.ssl), data,
                                    static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        const ssize_t n = ::send(link.fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

namespace {

ssize_t readSome(Link& link, char* buffer, std::size_t size)
{
    if (link.ssl)
        return SSL_read(static_cast<SSL*>(link.ssl), buffer, static_cast<int>(size));
    return ::recv(link.fd, buffer, size, 0);
}

std::string xmlEscape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

Response html(int status, const std::string& reason, const std::string& body)
{
    Response r;
    r.status = status;
    r.reason = reason;
    r.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    r.body = body;
    return r;
}

Response notFound()
{
    return html(404, "Not Found",
                "<html><head><title>404 Not Found</title></head>\r\n<body><h1>Not Found</h1>\r\n"
                "<p>The requested address was not found on this server.</p></body></html>\r\n");
}

} // namespace

namespace {

// Runs ffmpeg in `folder` with `arguments`; true when it succeeded.
bool RunFfmpeg(const std::vector<std::string>& arguments, const std::string& folder)
{
    std::vector<std::string> args = {"ffmpeg",    "-nostdin", "-hide_banner",
                                     "-loglevel", "error",    "-y"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// In one read of the file's size: a byte at a time took tens of
// milliseconds for a film, added to every answer that serves one.
std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool WriteWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

} // namespace

std::string RecordedRequest::target() const
{
    const auto first = requestLine.find(' ');
    const auto last = requestLine.rfind(' ');
    if (first == std::string::npos || last <= first)
        return {};
    return requestLine.substr(first + 1, last - first - 1);
}

std::string RecordedRequest::path() const
{
    const std::string t = target();
    return t.substr(0, t.find('?'));
}

std::optional<std::string> RecordedRequest::header(const std::string& name) const
{
    const std::string wanted = lower(name);
    for (const std::string& line : headerLines) {
        const auto colon = line.find(':');
        if (colon != std::string::npos && lower(line.substr(0, colon)) == wanted) {
            std::size_t start = colon + 1;
            while (start < line.size() && line[start] == ' ')
                ++start;
            return line.substr(start);
        }
    }
    return std::nullopt;
}

int RecordedRequest::count(const std::string& name) const
{
    const std::string wanted = lower(name);
    int n = 0;
    for (const std::string& line : headerLines) {
        const auto colon = line.find(':');
        n += colon != std::string::npos && lower(line.substr(0, colon)) == wanted;
    }
    return n;
}

char GeneratedByte(std::uint64_t offset)
{
    // Not all one value, so nothing on the way can shrink it, yet cheap.
    return static_cast<char>((offset * 2654435761u) >> 13);
}

std::string QueryValue(const std::string& target, const std::string& key)
{
    const auto question = target.find('?');
    if (question == std::string::npos)
        return {};
    std::stringstream query(target.substr(question + 1));
    std::string pair;
    while (std::getline(query, pair, '&')) {
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == key)
            return equals == std::string::npos ? std::string() : pair.substr(equals + 1);
    }
    return {};
}

Server::Server(Options options) : m_options(std::move(options)), m_catalogue(makeCatalogue())
{
    if (!m_options.certificateFile.empty() && !m_options.keyFile.empty()) {
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        if (context &&
            SSL_CTX_use_certificate_chain_file(context, m_options.certificateFile.c_str()) == 1 &&
            SSL_CTX_use_PrivateKey_file(context, m_options.keyFile.c_str(), SSL_FILETYPE_PEM) == 1)
            m_tls = context;
        else if (context)
            SSL_CTX_free(context);
    }
}

Server::~Server()
{
    stop();
    if (m_tls)
        SSL_CTX_free(static_cast<SSL_CTX*>(m_tls));
    if (!m_ownCache.empty()) {
        for (const auto& [id, path] : m_streams)
            ::unlink(path.c_str());
        ::rmdir(m_ownCache.c_str());
    }
}

bool Server::start(std::uint16_t port)
{
    if (!m_options.certificateFile.empty() && !m_tls)
        return false; // asked for HTTPS without a certificate it can use
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);

    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0)
        return false;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_stopping = false;
    m_acceptThread = std::thread([this] { acceptLoop(); });
    return true;
}

void Server::stop()
{
    if (!m_acceptThread.joinable())
        return;
    m_stopping = true;
    const char byte = 1;
    (void)!::write(m_wakeWrite, &byte, 1);
    m_acceptThread.join();

    std::list<std::unique_ptr<Connection>> connections;
    {
        std::lock_guard lock(m_mutex);
        for (auto& c : m_connections)
            ::shutdown(c->socket, SHUT_RDWR);
        connections.swap(m_connections);
    }
    for (auto& c : connections)
        if (c->thread.joinable())
            c->thread.join();
    ::close(m_listener);
    ::close(m_wakeRead);
    ::close(m_wakeWrite);
    m_listener = m_wakeRead = m_wakeWrite = -1;
}

std::string Server::hostPort() const
{
    return "127.0.0.1:" + std::to_string(m_port);
}

std::string Server::address(const std::string& target) const
{
    return (m_tls ? "https://" : "http://") + hostPort() + target;
}

std::string Server::pageAddress(const Clip& clip) const
{
    return address("/video/play?vid=" + clip.vid + "&fr=cv");
}

std::string Server::hostsIni() const
{
    const std::string h = hostPort();
    return "[hosts]\r\nvideo=" + h + "\r\nsequence=" + h + "\r\nplaylist=" + h + "\r\nmaker=" + h +
           "\r\ncodec=" + h + "\r\n[mail]\r\nsupport=support@tolrand.example\r\n";
}

bool Server::writeHostsIni(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << hostsIni();
    return static_cast<bool>(out);
}

const Clip* Server::clipByVid(const std::string& vid) const
{
    for (const Clip& clip : m_catalogue)
        if (clip.vid == vid)
            return &clip;
    return nullptr;
}

void Server::setRoute(const std::string& targetOrPath, Response response)
{
    setRoutes(targetOrPath, {std::move(response)});
}

void Server::setRoutes(const std::string& targetOrPath, std::vector<Response> responses)
{
    std::lock_guard lock(m_mutex);
    m_routes[targetOrPath] = std::move(responses);
}

void Server::setFault(const std::string& targetPrefix, FaultPlan plan)
{
    std::lock_guard lock(m_mutex);
    m_faults.emplace_back(targetPrefix, plan);
}

void Server::clearOverrides()
{
    std::lock_guard lock(m_mutex);
    m_routes.clear();
    m_faults.clear();
}

std::vector<RecordedRequest> Server::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void Server::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void Server::record(const RecordedRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_requests.push_back(request);
    if (!m_options.logPath.empty()) {
        std::ofstream log(m_options.logPath, std::ios::binary | std::ios::app);
        log << request.head;
    }
}

void Server::acceptLoop()
{
    while (!stopping()) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, 1000) < 0 && errno != EINTR)
            break;
        if (stopping() || (fds[1].revents & POLLIN))
            break;
        {
            // Finished connections leave, so a long run does not pile them up.
            std::lock_guard lock(m_mutex);
            for (auto it = m_connections.begin(); it != m_connections.end();) {
                if ((*it)->done) {
                    (*it)->thread.join();
                    it = m_connections.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        const int socket = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        // As web servers do: a response's head and body go out as written,
        // not held back by Nagle until the client's delayed ACK, which
        // would add 40 ms to every small answer.
        const int noDelay = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        std::lock_guard lock(m_mutex);
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        Connection* c = connection.get();
        m_connections.push_back(std::move(connection));
        c->thread = std::thread([this, c] {
            // TLS writes to a client that has gone raise SIGPIPE in the
            // writing thread; held back here, the write just fails.
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
            serve(*c);
            ::close(c->socket);
            c->done = true;
        });
    }
}

void Server::serve(Connection& connection)
{
    Link link{connection.socket, nullptr};
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(nullptr, SSL_free);
    if (m_tls) {
        ssl.reset(SSL_new(static_cast<SSL_CTX*>(m_tls)));
        SSL_set_fd(ssl.get(), connection.socket);
        if (SSL_accept(ssl.get()) != 1)
            return; // a client that does not trust us, or speaks no TLS
        link.ssl = ssl.get();
    }
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const ssize_t n = readSome(link, buffer, sizeof buffer);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const auto end = head.find("\r\n\r\n");
    if (end == std::string::npos)
        return;
    head.resize(end + 4);

    RecordedRequest request;
    request.head = head;
    std::size_t start = 0;
    bool first = true;
    while (start < end) {
        auto lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd - start);
        if (first)
            request.requestLine = line;
        else
            request.headerLines.push_back(line);
        first = false;
        start = lineEnd + 2;
    }
    record(request);
    const Response response = answer(request);
    if (response.plan.fault == Fault::Late) {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(response.plan.pauseMs);
        while (!stopping() && std::chrono::steady_clock::now() < until) {
            // A client that has given up is not kept waiting for.
            pollfd p{connection.socket, POLLRDHUP, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)))
                return;
        }
    }
    send(link, response);
    if (link.ssl)
        SSL_shutdown(ssl.get());
    ::shutdown(connection.socket, SHUT_WR);
    // Let the client see the whole answer before the socket goes.
    while (readSome(link, buffer, sizeof buffer) > 0) {
    }
}

Response Server::answer(const RecordedRequest& request)
{
    const std::string target = request.target();
    const std::string path = request.path();
    Response response;
    bool routed = false;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_routes.find(target);
        if (it == m_routes.end())
            it = m_routes.find(path);
        if (it != m_routes.end() && !it->second.empty()) {
            response = it->second.front();
            if (it->second.size() > 1)
                it->second.erase(it->second.begin());
            routed = true;
        }
    }

    if (!routed) {
        if (path.rfind("/moved/", 0) == 0) {
            // As a content network sends a client on to the server that has it.
            response.status = 302;
            response.reason = "Found";
            response.headers = {{"Location", address(target.substr(6))}};
            response.body = "<html><body>Moved</body></html>\r\n";
        } else if (path == "/video/play") {
            const Clip* clip = clipByVid(QueryValue(target, "vid"));
            response = clip ? servicePage(*clip) : notFound();
        } else if (path == "/ver/242/process/getSequence.php") {
            const std::string id = QueryValue(target, "node_id");
            const auto it = std::find_if(m_catalogue.begin(), m_catalogue.end(),
                                         [&](const Clip& c) { return c.clipId == id; });
            response = it == m_catalogue.end() ? notFound() : sequenceDocument(*it);
        } else if (path == "/makeplaylist.dll") {
            const std::string id = QueryValue(target, "sid");
            const auto it = std::find_if(m_catalogue.begin(), m_catalogue.end(),
                                         [&](const Clip& c) { return c.streamId == id; });
            response = it == m_catalogue.end() ? notFound() : playlistDocument(*it);
        } else if (path.rfind("/streams/", 0) == 0 && path.size() > 13 && path.ends_with(".flv")) {
            const std::string id = path.substr(9, path.size() - 13);
            const auto it = std::find_if(m_catalogue.begin(), m_catalogue.end(),
                                         [&](const Clip& c) { return c.streamId == id; });
            if (it == m_catalogue.end()) {
                response = notFound();
            } else {
                response.headers = {{"Content-Type", "video/x-flv"}};
                response.body = streamBytes(*it);
                if (response.body.empty())
                    response = html(500, "Internal Server Error",
                                    "<html><body>no stream</body></html>\r\n");
                const Fault f = it->plan.fault;
                if (f == Fault::Slow || f == Fault::Stall || f == Fault::Cut || f == Fault::CutOnce)
                    response.plan = it->plan;
                if (f == Fault::WrongLength)
                    response.contentLength = std::to_string(response.body.size() + 100000);
            }
        } else if (path.rfind("/hls/", 0) == 0) {
            response = hlsAnswer(request);
        } else if (path.rfind("/realweb/", 0) == 0 && !m_options.sharedFolder.empty()) {
            response = sharedFile(path.substr(9));
        } else if (path.rfind("/web/", 0) == 0) {
            response = webPage(request);
        } else if (path.rfind("/media/", 0) == 0) {
            const std::string name = path.substr(7);
            response.body = mediaBytes(name);
            if (response.body.empty()) {
                response = notFound();
            } else {
                response.headers = {{"Content-Type", mediaContentType(name)}};
            }
        } else if (path.rfind("/bytes/", 0) == 0 && path.size() > 7 &&
                   path.find_first_not_of("0123456789", 7) == std::string::npos) {
            // A stream of any size, for measuring downloads.
            response.headers = {{"Content-Type", "application/octet-stream"}};
            response.generatedBytes = std::stoull(path.substr(7));
        } else if (path == "/files/vidudoz/test.txt") {
            response.headers = {{"Content-Type", "text/plain"}};
            response.body = "12345";
        } else if (path == "/clipvane.htm") {
            response = html(
                200, "OK",
                "<html><head><title>Clipvane 1.0</title></head>\r\n<body><h1>Clipvane 1.0</h1>\r\n"
                "<p>Saves clips from video pages as AVI files.</p></body></html>\r\n");
        } else if (path == "/divx/DivXInstaller.exe") {
            response.headers = {{"Content-Type", "application/octet-stream"}};
            response.body = std::string("MZ") + std::string(4094, '\0');
        } else {
            response = notFound();
        }
    }

    {
        std::lock_guard lock(m_mutex);
        for (const auto& [prefix, plan] : m_faults)
            if (target.rfind(prefix, 0) == 0)
                response.plan = plan;
    }
    return withRange(request, std::move(response));
}

// "Range: bytes=N-" on a whole answer: the rest from N on, as 206 with its
// Content-Range; a start past the end is 416. Other range forms are not
// ours to serve and get the whole body.
Response Server::withRange(const RecordedRequest& request, Response response)
{
    const std::optional<std::string> range = request.header("Range");
    if (!range && response.plan.fault == Fault::PartOnPlain && response.status == 200 &&
        !response.generatedBytes && response.body.size() > 1) {
        // The first half only, as if a range had been asked for.
        const std::size_t half = response.body.size() / 2;
        response.status = 206;
        response.reason = "Partial Content";
        response.headers.emplace_back("Content-Range", "bytes 0-" + std::to_string(half - 1) + "/" +
                                                           std::to_string(response.body.size()));
        response.body.resize(half);
        response.plan = {};
        return response;
    }
    if (response.plan.fault == Fault::PartOnPlain)
        response.plan = {};
    if (!range || !response.servesRanges || response.status != 200 || response.contentLength ||
        response.omitLength)
        return response;
    // "bytes=FROM-" or "bytes=FROM-LAST".
    const std::string prefix = "bytes=";
    const auto dash = range->find('-');
    if (range->rfind(prefix, 0) != 0 || dash == std::string::npos)
        return response;
    const std::string digits = range->substr(prefix.size(), dash - prefix.size());
    const std::string lastDigits = range->substr(dash + 1);
    auto number = [](const std::string& d) {
        return !d.empty() && d.size() <= 18 &&
               d.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!number(digits) || (!lastDigits.empty() && !number(lastDigits)))
        return response;
    const std::uint64_t from = std::stoull(digits);
    const std::uint64_t whole =
        response.generatedBytes ? *response.generatedBytes : response.body.size();
    std::uint64_t size = whole;
    if (!lastDigits.empty())
        size = std::min<std::uint64_t>(whole, std::stoull(lastDigits) + 1);
    if (from >= whole || from >= size) {
        Response refused = html(416, "Range Not Satisfiable", "");
        refused.headers.emplace_back("Content-Range", "bytes */" + std::to_string(size));
        return refused;
    }
    response.status = 206;
    response.reason = "Partial Content";
    response.headers.emplace_back("Content-Range", "bytes " + std::to_string(from) + "-" +
                                                       std::to_string(size - 1) + "/" +
                                                       std::to_string(whole));
    if (response.generatedBytes) {
        response.generatedFrom = from;
        response.generatedBytes = size - from;
    } else {
        response.body = response.body.substr(from, size - from);
    }
    // Cut once: the retry is served whole.
    if (response.plan.fault == Fault::CutOnce)
        response.plan = {};
    return response;
}

Response Server::sharedFile(const std::string& name)
{
    // Real material, served as it was captured.
    if (name.find("..") != std::string::npos)
        return notFound();
    const std::string path = m_options.sharedFolder + "/" + name;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return notFound();
    Response r;
    r.headers = {
        {"Content-Type", name.ends_with(".m3u8") ? "application/vnd.apple.mpegurl" : "video/mp2t"}};
    r.body = ReadWhole(path);
    if (m_hlsRate > 0 && name.ends_with(".ts"))
        r.bytesPerSecond = m_hlsRate;
    return r;
}

Response Server::webPage(const RecordedRequest& request)
{
    const std::string name = request.path().substr(5);
    auto page = [](const std::string& head, const std::string& body) {
        return html(
            200, "OK",
            "<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n" +
                head + "</head>\r\n<body>\r\n<article>\r\n<h1>A page of today's web</h1>\r\n" +
                body + "\r\n</article>\r\n</body>\r\n</html>\r\n");
    };
    const std::string mp4 = address("/media/clip.mp4");
    if (name == "og.html") // a player page as og:video, the file as its secure address
        return page("<meta property=\"og:title\" content=\"Open Graph clip &amp; friends\">\r\n"
                    "<meta property=\"og:video\" content=\"" +
                        address("/web/player.html") +
                        "\">\r\n<meta property=\"og:video:type\" content=\"text/html\">\r\n"
                        "<meta property=\"og:video:secure_url\" content=\"" +
                        mp4 + "\">\r\n",
                    "<p>Watch it in the player.</p>");
    if (name == "twitter.html")
        return page("<meta name=\"twitter:title\" content=\"A   card with\t blanks\">\r\n"
                    "<meta name=\"twitter:player:stream\" content=\"/media/clip.mp4\">\r\n",
                    "<p>A card.</p>");
    if (name == "jsonld.html") // relative, inside @graph
        return page("<title>Not this title</title>\r\n<script type=\"application/ld+json\">"
                    "{\"@context\":\"https://schema.org\",\"@graph\":[{\"@type\":\"WebPage\"},"
                    "{\"@type\":\"VideoObject\",\"name\":\"JSON-LD clip\",\"contentUrl\":"
                    "\"../media/clip.webm\"}]}</script>\r\n",
                    "<p>Structured.</p>");
    if (name == "video.html") // WebM offered first, MP4 taken
        return page("<title>Video element &#8211; a test</title>\r\n",
                    "<video controls><source src=\"/media/clip.webm\" type=\"video/webm\">"
                    "<source src=\"/media/clip.mp4\" type=\"video/mp4\"></video>");
    if (name == "base.html")
        return page("<base href=\"/media/\">\r\n<title>Under a base</title>\r\n",
                    "<video><source src=\"clip.ts\" type=\"video/mp2t\"></video>");
    if (name == "lazy.html")
        return page("<title>Lazy</title>\r\n",
                    "<video src=\"//:0\" data-src=\"/media/clip-vp8.webm\"></video>");
    if (name == "embed.html")
        return page("<title>An embedded player</title>\r\n",
                    "<iframe src=\"/web/ad.html\" width=\"1\" height=\"1\"></iframe>"
                    "<iframe src=\"/web/player.html\" allowfullscreen></iframe>");
    if (name == "ad.html")
        return page("<title>Advertisement</title>\r\n", "<p>Buy things.</p>");
    if (name == "player.html")
        return page("<title>Player</title>\r\n", "<video src=\"/media/clip.mp4\"></video>");
    if (name == "self.html")
        return page("<title>Myself</title>\r\n", "<iframe src=\"/web/self.html\"></iframe>");
    if (name == "article.html")
        return page("<title>Just words</title>\r\n", "<p>No video here.</p>");
    if (name == "htmlmedia.html") // names a page where a film should be
        return page("<meta property=\"og:video\" content=\"/web/article.html\">\r\n", "");
    if (name == "hls.html")
        return page("<title>A stream of segments</title>\r\n",
                    "<video><source src=\"/hls/ts/master.m3u8\" type=\"application/x-mpegURL\">"
                    "</video>");
    if (name == "refused.html")
        return page("<title>Refused</title>\r\n",
                    "<video src=\"file:///etc/passwd\"><source src=\"data:video/mp4;base64,AAAA\">"
                    "<source src=\"javascript:alert(1)\"></video>");
    if (name == "latin1.html") {
        Response r = html(200, "OK",
                          "<html><head><title>Caf\xE9 cr\xE8me &amp; more</title></head><body>"
                          "<video src=\"/media/clip.mp4\"></video></body></html>");
        r.headers = {{"Content-Type", "text/html; charset=ISO-8859-1"}};
        return r;
    }
    if (name == "turnaway.html") { // the service's request turned away, a browser's served
        if (request.header("User-Agent").value_or("") == "Mozilla")
            return html(403, "Forbidden", "<html><body>Forbidden</body></html>");
        return page("<title>Browsers only</title>\r\n", "<video src=\"/media/clip.mp4\"></video>");
    }
    if (name == "cookie.html") { // its media wants the page's cookie and the page as Referer
        Response r =
            page("<title>With a cookie</title>\r\n", "<video src=\"/web/guarded.mp4\"></video>");
        r.headers.emplace_back("Set-Cookie", "visit=v123; Path=/");
        return r;
    }
    if (name == "guarded.mp4") {
        const std::string cookie = request.header("Cookie").value_or("");
        const std::string referer = request.header("Referer").value_or("");
        if (cookie.find("visit=v123") == std::string::npos ||
            referer != address("/web/cookie.html"))
            return html(403, "Forbidden", "<html><body>No cookie, no film</body></html>");
        Response r;
        r.headers = {{"Content-Type", "video/mp4"}};
        r.body = mediaBytes("clip.mp4");
        return r;
    }
    return notFound();
}

Response Server::servicePage(const Clip& clip) const
{
    std::string top = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n";
    std::string rest = "<title>" + clip.title + " - Yahoo! Video</title>\r\n</head>\r\n<body>\r\n" +
                       "<div id=\"player\"></div>\r\n<script type=\"text/javascript\">\r\n" +
                       "  y_up_eAutoStart('" + clip.clipId +
                       "', 'player', true);\r\n</script>\r\n" + "<p>" + xmlEscape(clip.title) +
                       "</p>\r\n</body>\r\n</html>\r\n";
    if (clip.plan.fault == Fault::NulBytes)
        top += std::string("<!-- \0 -->\r\n", 12);
    Response r = html(200, "OK", top + rest);
    if (clip.plan.fault == Fault::HugePage) {
        std::string filler;
        const std::string line = "<p>" + std::string(1000, 'x') + "</p>\r\n";
        filler.reserve(std::size_t{17} * 1024 * 1024 + line.size());
        while (filler.size() < std::size_t{17} * 1024 * 1024)
            filler += line;
        r.body = top + rest + filler;
    }
    // Just within the size a document may have, and naming no clip: what
    // reading such a page costs, and nothing after it.
    constexpr std::size_t kHostile = 16 * 1024 * 1024 - 4096;
    if (clip.plan.fault == Fault::HugeTitle)
        r.body = "<html><head><title>" + std::string(kHostile, 'T') + "</title></head></html>\r\n";
    if (clip.plan.fault == Fault::ManyLines)
        r.body = std::string(kHostile, '\n') + "<title>Many lines</title>\r\n";
    if (clip.plan.fault == Fault::Late) {
        r.plan = clip.plan;
        r.plan.pauseMs = 4000;
    }
    if (clip.plan.fault == Fault::Drip) {
        r.plan = clip.plan;
        r.plan.pauseMs = 1000; // a byte a second
    }
    return r;
}

Response Server::sequenceDocument(const Clip& clip) const
{
    if (clip.plan.fault == Fault::ErrorPage)
        return notFound();
    Response r;
    r.headers = {{"Content-Type", "text/plain"}};
    r.body = "{\"sequence\":[{\"nodeid\":\"" + clip.clipId + "\",\"streamid\":\"" + clip.streamId +
             "\",\"duration\":" + std::to_string(clip.seconds) + "}]}";
    return r;
}

Response Server::playlistDocument(const Clip& clip) const
{
    Response r;
    r.headers = {{"Content-Type", "text/xml"}};
    std::string stream = "<STREAM APP=\"\" FULLPATH=\"\" URLPREFIX=\"http://\" SERVER=\"" +
                         hostPort() + "\" PATH=\"" +
                         (clip.plan.fault == Fault::Moved ? "/moved" : "") + "/streams/" +
                         clip.streamId + ".flv\"";
    if (clip.plan.fault != Fault::MissingAttribute)
        stream += " QUERYSTRING=\"sig=" + clip.clipId + "&amp;t=flv\"";
    stream += "/>";
    r.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<PLAYLIST version=\"1\">\r\n" + stream +
             "\r\n</PLAYLIST>\r\n";
    if (clip.plan.fault == Fault::BrokenXml)
        r.body.resize(r.body.size() / 2);
    return r;
}

namespace {

// ffmpeg's sources for a clip of `seconds`: a test picture and a tone.
std::vector<std::string> testSources(int seconds, const std::string& size = "320x240",
                                     int rate = 15)
{
    const std::string s = std::to_string(seconds);
    return {"-f", "lavfi",
            "-i", "testsrc=size=" + size + ":rate=" + std::to_string(rate) + ":duration=" + s,
            "-f", "lavfi",
            "-i", "sine=frequency=440:sample_rate=44100:duration=" + s};
}

struct MediaKind
{
    const char* name;
    const char* contentType;
    std::vector<std::string> options; // after the sources, before the output
    bool video = true;
};

const std::vector<MediaKind>& mediaKinds()
{
    static const std::vector<MediaKind> kinds = {
        {"clip.mp4",
         "video/mp4",
         {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac",
          "-movflags", "+faststart", "-f", "mp4"}},
        {"clip.webm",
         "video/webm",
         {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-b:v", "300k", "-c:a",
          "libopus", "-f", "webm"}},
        {"clip-vp8.webm",
         "video/webm",
         {"-c:v", "libvpx", "-deadline", "realtime", "-cpu-used", "8", "-b:v", "300k", "-c:a",
          "libvorbis", "-f", "webm"}},
        {"clip.ts",
         "video/mp2t",
         {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f",
          "mpegts"}},
        {"sound.m4a", "audio/mp4", {"-map", "1:a", "-c:a", "aac", "-f", "mp4"}, false},
        {"sound.webm", "audio/webm", {"-map", "1:a", "-c:a", "libopus", "-f", "webm"}, false},
    };
    return kinds;
}

} // namespace

std::vector<std::string> Server::mediaNames()
{
    std::vector<std::string> names;
    for (const MediaKind& kind : mediaKinds())
        names.emplace_back(kind.name);
    return names;
}

std::string Server::mediaContentType(const std::string& name)
{
    for (const MediaKind& kind : mediaKinds())
        if (name == kind.name)
            return kind.contentType;
    return "application/octet-stream";
}

std::string Server::mediaBytes(const std::string& name)
{
    for (const MediaKind& kind : mediaKinds()) {
        if (name != kind.name)
            continue;
        std::vector<std::string> args = testSources(4);
        if (kind.video) {
            args.insert(args.end(), {"-map", "0:v", "-map", "1:a"});
        }
        args.insert(args.end(), kind.options.begin(), kind.options.end());
        return cachedFile("media-" + name, args);
    }
    return {};
}

std::string Server::streamBytes(const Clip& clip)
{
    const std::string seconds = std::to_string(clip.seconds);
    return cachedFile(
        clip.streamId + ".flv",
        {"-f",   "lavfi",      "-i",   "testsrc=size=320x240:rate=15:duration=" + seconds,
         "-f",   "lavfi",      "-i",   "sine=frequency=440:sample_rate=22050:duration=" + seconds,
         "-c:v", "flv1",       "-q:v", "5",
         "-c:a", "libmp3lame", "-b:a", "64k",
         "-ac",  "1",          "-f",   "flv"});
}

std::string Server::cacheFolder()
{
    std::string folder = m_options.cacheFolder;
    if (folder.empty()) {
        if (m_ownCache.empty()) {
            char pattern[] = "/tmp/clipvane-standin-XXXXXX";
            if (!::mkdtemp(pattern))
                return {};
            m_ownCache = pattern;
        }
        folder = m_ownCache;
    }
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

std::string Server::cachedFile(const std::string& name, std::vector<std::string> ffmpegArguments)
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_streams.find(name); it != m_streams.end())
        return ReadWhole(it->second);
    const std::string folder = cacheFolder();
    if (folder.empty())
        return {};
    const std::string path = folder + "/" + name;
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0 || st.st_size == 0) {
        // Made beside and renamed: a stand-in stopped halfway leaves no half file.
        const std::string partial = path + ".part";
        ffmpegArguments.push_back(partial);
        if (!RunFfmpeg(ffmpegArguments, folder) || ::rename(partial.c_str(), path.c_str()) != 0) {
            ::unlink(partial.c_str());
            return {};
        }
    }
    m_streams[name] = path;
    return ReadWhole(path);
}

std::string Server::hlsFolder(const std::string& kind)
{
    std::lock_guard lock(m_mutex);
    const std::string cache = cacheFolder();
    if (cache.empty())
        return {};
    std::string folder = cache + "/hls-" + kind;
    const std::string done = folder + "/.made";
    struct stat st
    {
    };
    if (::stat(done.c_str(), &st) == 0)
        return folder;
    std::system(("rm -rf '" + folder + "'").c_str());
    ::mkdir(folder.c_str(), 0700);
    const int seconds = m_hlsSeconds;
    auto sources = [seconds](const std::string& size) {
        return std::vector<std::string>{
            "-f", "lavfi",
            "-i", "testsrc=size=" + size + ":rate=25:duration=" + std::to_string(seconds),
            "-f", "lavfi",
            "-i", "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds)};
    };
    auto hls = [&](const std::string& size, const std::string& name, std::vector<std::string> extra,
                   bool video = true, bool audio = true) {
        std::vector<std::string> a = sources(size);
        if (video)
            a.insert(a.end(), {"-map", "0:v", "-c:v", "libx264", "-preset", "ultrafast", "-g", "50",
                               "-pix_fmt", "yuv420p"});
        if (audio)
            a.insert(a.end(), {"-map", "1:a", "-c:a", "aac", "-b:a", "96k"});
        a.insert(a.end(), {"-f", "hls", "-hls_time", "2", "-hls_playlist_type", "vod",
                           "-hls_list_size", "0"});
        a.insert(a.end(), extra.begin(), extra.end());
        a.push_back(name + ".m3u8");
        return RunFfmpeg(a, folder);
    };
    bool made = false;
    if (kind == "ts") {
        made = hls("320x180", "lo", {"-hls_segment_filename", "lo_%d.ts"}) &&
               hls(m_hlsSize, "hi",
                   // Constant rate, as a service's encoder gives it: testsrc
                   // alone would take a fraction of the bytes a real film does.
                   {"-b:v", "2400k", "-minrate", "2400k", "-maxrate", "2400k", "-bufsize", "4800k",
                    "-x264-params", "nal-hrd=cbr", "-hls_segment_filename", "hi_%d.ts"}) &&
               WriteWhole(folder + "/master.m3u8",
                          "#EXTM3U\n#EXT-X-VERSION:3\n"
                          "#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=9000000,RESOLUTION=1920x1080,"
                          "URI=\"iframes.m3u8\"\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=400000,RESOLUTION=320x180,"
                          "CODECS=\"avc1.42c00d,mp4a.40.2\"\nlo.m3u8\n\n"
                          "#EXT-X-MY-VENDOR-TAG:whatever\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=2500000,RESOLUTION=\"" +
                              m_hlsSize + "\",CODECS=\"avc1.4d401f,mp4a.40.2\"\nhi.m3u8\n");
    } else if (kind == "aes") {
        made = WriteWhole(folder + "/key.bin", "0123456789abcdef") &&
               WriteWhole(folder + "/keyinfo", "key.bin\n" + folder + "/key.bin\n") &&
               hls("320x180", "index",
                   {"-hls_key_info_file", "keyinfo", "-hls_segment_filename", "seg_%d.ts"});
    } else if (kind == "single") {
        made = hls("320x180", "index", {"-hls_flags", "single_file"});
    } else if (kind == "fmp4") {
        made = hls("320x180", "index",
                   {"-hls_segment_type", "fmp4", "-hls_fmp4_init_filename", "init.mp4",
                    "-hls_segment_filename", "seg_%d.m4s"});
    } else if (kind == "sound") {
        made =
            hls("320x180", "video", {"-hls_segment_filename", "v_%d.ts"}, true, false) &&
            hls("320x180", "sound", {"-hls_segment_filename", "a_%d.ts"}, false, true) &&
            WriteWhole(folder + "/master.m3u8",
                       "#EXTM3U\n#EXT-X-VERSION:3\n"
                       "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"Other\",URI=\"none.m3u8\","
                       "LANGUAGE=\"de\"\n"
                       "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"English\",DEFAULT=YES,"
                       "URI=\"sound.m3u8\",LANGUAGE=\"en\"\n"
                       "#EXT-X-STREAM-INF:BANDWIDTH=500000,RESOLUTION=320x180,AUDIO=\"aud\"\n"
                       "video.m3u8\n");
    }
    if (made)
        WriteWhole(done, "");
    return made ? folder : std::string();
}

Response Server::hlsAnswer(const RecordedRequest& request)
{
    // /hls/<kind>/<file>: files made by ffmpeg, and playlists written from
    // them to be refused or to fail.
    const std::string path = request.path().substr(5);
    const auto slash = path.find('/');
    if (slash == std::string::npos || path.find("..") != std::string::npos)
        return notFound();
    const std::string kind = path.substr(0, slash);
    const std::string file = path.substr(slash + 1);
    auto playlist = [](std::string text) {
        Response r;
        r.headers = {{"Content-Type", "application/vnd.apple.mpegurl"}};
        r.body = std::move(text);
        return r;
    };
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        for (auto at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
        return text;
    };
    if (kind == "loop") // a master whose variant is itself
        return playlist("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1000,RESOLUTION=320x180\n"
                        "master.m3u8\n");
    // Kinds written from a made one: its folder, what becomes of its playlist.
    std::string base = kind;
    if (kind == "live" || kind == "sample-aes" || kind == "keyformat" || kind == "skd" ||
        kind == "gap" || kind == "missing")
        base = "ts";
    else if (kind == "badkey")
        base = "aes";
    else if (kind == "pastend")
        base = "single";
    const std::string folder = hlsFolder(base);
    if (folder.empty())
        return html(500, "Internal Server Error", "<html><body>no stream</body></html>\r\n");
    const std::string source = base == "ts" && file == "index.m3u8" ? "lo.m3u8" : file;
    std::string bytes = ReadWhole(folder + "/" + source);
    struct stat st
    {
    };
    if (::stat((folder + "/" + source).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return notFound();
    if (!file.ends_with(".m3u8")) {
        Response r;
        r.headers = {{"Content-Type", file.ends_with(".ts") ? "video/mp2t" : "video/mp4"}};
        r.body = std::move(bytes);
        if (m_hlsRate > 0)
            r.bytesPerSecond = m_hlsRate;
        return r;
    }
    // The made segments are one folder up for the written kinds.
    if (base != kind)
        bytes = replace(
            replace(replace(bytes, "lo_", "../" + base + "/lo_"), "seg_", "../" + base + "/seg_"),
            "index.ts", "../" + base + "/index.ts");
    if (kind == "missing")
        bytes = replace(bytes, "../ts/lo_1.ts", "gone_1.ts");
    else if (kind == "live")
        bytes = replace(replace(bytes, "#EXT-X-ENDLIST\n", ""), "#EXT-X-PLAYLIST-TYPE:VOD\n", "");
    else if (kind == "sample-aes")
        bytes = replace(bytes, "#EXTINF", "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"k.bin\"\n#EXTINF");
    else if (kind == "keyformat")
        bytes = replace(bytes, "#EXT-X-MEDIA-SEQUENCE:0\n",
                        "#EXT-X-MEDIA-SEQUENCE:0\n#EXT-X-KEY:METHOD=AES-128,URI=\"k.bin\","
                        "KEYFORMAT=\"com.widevine.alpha\"\n");
    else if (kind == "skd")
        bytes = replace(bytes, "#EXT-X-MEDIA-SEQUENCE:0\n",
                        "#EXT-X-MEDIA-SEQUENCE:0\n#EXT-X-KEY:METHOD=AES-128,URI=\"skd://k\"\n");
    else if (kind == "gap")
        bytes =
            replace(bytes, "#EXT-X-MEDIA-SEQUENCE:0\n", "#EXT-X-MEDIA-SEQUENCE:0\n#EXT-X-GAP\n");
    else if (kind == "badkey")
        bytes = replace(bytes, "URI=\"key.bin\"", "URI=\"/web/article.html\"");
    else if (kind == "pastend") {
        const auto at = bytes.rfind("#EXT-X-BYTERANGE:");
        if (at != std::string::npos)
            bytes.replace(at, bytes.find('\n', at) - at, "#EXT-X-BYTERANGE:50000@99999999");
    }
    return playlist(std::move(bytes));
}

void Server::send(Link& link, const Response& response)
{
    if (response.plan.fault == Fault::Endless) {
        const std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                                 response.reason + "\r\nConnection: close\r\n\r\n";
        if (!writeAll(link, head.data(), head.size()) ||
            !writeAll(link, response.body.data(), response.body.size()))
            return;
        std::string chunk(std::size_t{64} * 1024, '\0');
        for (std::uint64_t at = 0; !stopping(); at += chunk.size()) {
            for (std::size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = GeneratedByte(at + i);
            if (!writeAll(link, chunk.data(), chunk.size()))
                return; // the client has had enough
        }
        return;
    }
    std::string head =
        "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
    for (const auto& [name, value] : response.headers)
        head.append(name).append(": ").append(value).append("\r\n");
    const std::string size =
        std::to_string(response.generatedBytes ? *response.generatedBytes : response.body.size());
    if (!response.omitLength)
        head += "Content-Length: " + response.contentLength.value_or(size) + "\r\n";
    head += "Connection: close\r\n\r\n";
    if (response.plan.fault == Fault::DripHeaders) {
        for (std::size_t at = 0; at < head.size(); ++at) {
            if (stopping() || !writeAll(link, head.data() + at, 1))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(response.plan.pauseMs));
        }
    } else if (!writeAll(link, head.data(), head.size())) {
        return;
    }

    if (response.generatedBytes) {
        std::uint64_t sent = *response.generatedBytes;
        if (response.plan.fault == Fault::Cut || response.plan.fault == Fault::CutOnce)
            sent = std::min<std::uint64_t>(sent, response.plan.afterBytes);
        std::string chunk(std::size_t{256} * 1024, '\0');
        for (std::uint64_t at = 0; at < sent && !stopping();) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), sent - at));
            for (std::size_t i = 0; i < n; ++i)
                chunk[i] = GeneratedByte(response.generatedFrom + at + i);
            if (!writeAll(link, chunk.data(), n))
                return;
            at += n;
        }
        return;
    }

    const std::string& body = response.body;
    const FaultPlan& plan = response.plan;
    switch (plan.fault) {
    case Fault::Slow:
        for (std::size_t at = 0; at < body.size() && !stopping(); at += plan.pieceBytes) {
            if (!writeAll(link, body.data() + at, std::min(plan.pieceBytes, body.size() - at)))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(plan.pauseMs));
        }
        return;
    case Fault::Drip:
        for (std::size_t at = 0; at < body.size() && !stopping(); ++at) {
            if (!writeAll(link, body.data() + at, 1))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(plan.pauseMs));
        }
        return;
    case Fault::Stall: {
        writeAll(link, body.data(), std::min(plan.afterBytes, body.size()));
        // Silence until the client gives up or the server stops.
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(10);
        while (!stopping() && std::chrono::steady_clock::now() < end) {
            pollfd p{link.fd, POLLIN | POLLRDHUP, 0};
            if (::poll(&p, 1, 100) > 0) {
                char byte;
                if (::recv(link.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0)
                    return;
            }
        }
        return;
    }
    case Fault::Cut:
    case Fault::CutOnce:
        writeAll(link, body.data(), std::min(plan.afterBytes, body.size()));
        return;
    default:
        if (response.bytesPerSecond > 0) {
            // As a server that gives each connection its share of a line.
            const auto began = std::chrono::steady_clock::now();
            constexpr std::size_t kPiece = std::size_t{16} * 1024;
            for (std::size_t at = 0; at < body.size() && !stopping(); at += kPiece) {
                const auto due = began + std::chrono::microseconds(static_cast<std::int64_t>(
                                             static_cast<double>(at) * 1e6 /
                                             static_cast<double>(response.bytesPerSecond)));
                std::this_thread::sleep_until(due);
                if (!writeAll(link, body.data() + at, std::min(kPiece, body.size() - at)))
                    return;
            }
            return;
        }
        writeAll(link, body.data(), body.size());
    }
}

} // namespace clipvane::standin
