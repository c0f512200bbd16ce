#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A stand-in for the video service and the maker's web host, answering on
// 127.0.0.1 only. It serves a catalogue of generated clips through the five
// exchanges of a job, the probe file, the product page and the codec
// installer, records every request exactly as it arrived, and can misbehave
// on purpose.
namespace clipvane::standin {

enum class Fault
{
    None,
    Slow,             // the body goes out in small pieces with pauses
    Stall,            // some bytes, then silence until the server stops
    Cut,              // the connection closes after some bytes of the body
    WrongLength,      // Content-Length announces more than is sent
    ErrorPage,        // a 404 page in place of the answer
    BrokenXml,        // a playlist cut off in the middle
    MissingAttribute, // a playlist whose STREAM lacks QUERYSTRING
    NulBytes,         // a NUL byte before the page's marker lines
    HugePage,         // a page far larger than any real one
};

// How a fault behaves where it takes a size or a pace.
struct FaultPlan
{
    Fault fault = Fault::None;
    std::size_t afterBytes = 4096; // Stall and Cut: body bytes sent first
    int pauseMs = 20;              // Slow: pause between pieces
    std::size_t pieceBytes = 1024; // Slow: bytes a piece
};

struct Clip
{
    std::string vid;      // the page's "vid" query value
    std::string clipId;   // what the page names, and the sequence asks for
    std::string streamId; // what the sequence names, and the playlist asks for
    std::string title;    // UTF-8
    int seconds = 4;
    FaultPlan plan;       // where the clip misbehaves; see Server
};

// A fixed answer a test puts on a path.
struct Response
{
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    // Content-Length: the body's size when unset, this text when set, and no
    // header at all when `omitLength` is true.
    std::optional<std::string> contentLength;
    bool omitLength = false;
    FaultPlan plan;
};

struct RecordedRequest
{
    std::string head;                     // request line and headers, as received
    std::string requestLine;              // e.g. "GET /x HTTP/1.1"
    std::vector<std::string> headerLines; // in the order received, without CR LF
    std::string target() const;           // "/path?query"
    std::string path() const;             // "/path"
    // The value of the first header of that name (case-insensitive), or
    // nothing when absent.
    std::optional<std::string> header(const std::string& name) const;
    int count(const std::string& name) const;
};

struct Options
{
    std::string cacheFolder; // where generated streams are kept; a temp folder when empty
    std::string logPath;     // every request head is appended here when set
};

class Server
{
public:
    explicit Server(Options options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on 127.0.0.1:port (0: a free port). False when it cannot.
    bool start(std::uint16_t port = 0);
    void stop();

    std::uint16_t port() const { return m_port; }
    std::string hostPort() const;               // "127.0.0.1:port"
    std::string address(const std::string& target) const; // "http://127.0.0.1:port" + target
    std::string pageAddress(const Clip& clip) const;

    // The hosts.ini that points the program at this server.
    std::string hostsIni() const;
    bool writeHostsIni(const std::string& path) const;

    const std::vector<Clip>& catalogue() const { return m_catalogue; }
    const Clip* clipByVid(const std::string& vid) const;

    // Tests: fixed answers by exact target ("/a?b") or by path ("/a"), and a
    // fault for every request whose target starts with a prefix.
    void setRoute(const std::string& targetOrPath, Response response);
    void setFault(const std::string& targetPrefix, FaultPlan plan);
    void clearOverrides();

    std::vector<RecordedRequest> requests() const;
    void clearRequests();

    // The FLV bytes of a clip, made on first use with ffmpeg.
    std::string streamBytes(const Clip& clip);

private:
    struct Connection
    {
        std::thread thread;
        int socket = -1;
        std::atomic<bool> done{false};
    };

    void acceptLoop();
    void serve(Connection& connection);
    Response answer(const RecordedRequest& request);
    Response servicePage(const Clip& clip) const;
    Response sequenceDocument(const Clip& clip) const;
    Response playlistDocument(const Clip& clip) const;
    void send(int socket, const Response& response);
    void record(const RecordedRequest& request);
    bool stopping() const { return m_stopping.load(); }

    Options m_options;
    std::vector<Clip> m_catalogue;
    std::uint16_t m_port = 0;
    int m_listener = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;

    mutable std::mutex m_mutex; // guards everything below
    std::list<std::unique_ptr<Connection>> m_connections;
    std::map<std::string, Response> m_routes;
    std::vector<std::pair<std::string, FaultPlan>> m_faults;
    std::vector<RecordedRequest> m_requests;
    std::map<std::string, std::string> m_streams;
    std::string m_ownCache;
};

// The query value of `key` in a target, or empty.
std::string QueryValue(const std::string& target, const std::string& key);

} // namespace clipvane::standin
