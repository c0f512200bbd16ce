#pragma once

#include <atomic>
#include <optional>
#include <string>

namespace clipvane::platform {

// A TCP connection to a named host whose every wait has a deadline and ends
// at once when asked to: the firewall probe's line-by-line view of a socket.
class TcpConnection
{
public:
    TcpConnection() = default;
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    bool open(const std::string& host, const std::string& port, int timeoutMs);
    bool send(const std::string& bytes);
    // One line without its CR LF; nothing when the connection ends first.
    std::optional<std::string> line();
    bool skip(std::size_t count);
    // Reads until the server closes; true when it closed cleanly.
    bool skipToEnd();
    void setTimeout(int ms) { m_timeoutMs = ms; }
    // Once `stop` is true, every wait ends as failed.
    void setStop(const std::atomic<bool>* stop) { m_stop = stop; }

private:
    bool fill();
    // Whether `events` came within `timeoutMs`, looking at the stop between.
    bool waitFor(int fd, short events, int timeoutMs) const;

    int m_fd = -1;
    int m_timeoutMs = 30000;
    const std::atomic<bool>* m_stop = nullptr;
    std::string m_buffer;
    bool m_closedCleanly = false;
};

} // namespace clipvane::platform
