#include "platform/tcpconnection.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace clipvane::platform {

namespace {

constexpr int kStopLookMs = 100;

bool connectedWell(int fd)
{
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

} // namespace

bool TcpConnection::waitFor(int fd, short events, int timeoutMs) const
{
    for (int left = timeoutMs;;) {
        if (m_stop && m_stop->load())
            return false;
        pollfd p{fd, events, 0};
        const int slice = left < kStopLookMs ? left : kStopLookMs;
        const int ready = ::poll(&p, 1, slice);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
        left -= slice;
        if (left <= 0)
            return false;
    }
}

TcpConnection::~TcpConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool TcpConnection::open(const std::string& host, const std::string& port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* a = found; a && m_fd < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ||
            (errno == EINPROGRESS && waitFor(fd, POLLOUT, timeoutMs) && connectedWell(fd)))
            m_fd = fd;
        else
            ::close(fd);
    }
    ::freeaddrinfo(found);
    return m_fd >= 0;
}

bool TcpConnection::send(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (!waitFor(m_fd, POLLOUT, m_timeoutMs))
                return false;
            continue;
        }
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<std::string> TcpConnection::line()
{
    for (;;) {
        if (const auto end = m_buffer.find('\n'); end != std::string::npos) {
            std::string result = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            if (!result.empty() && result.back() == '\r')
                result.pop_back();
            return result;
        }
        if (!fill())
            return std::nullopt;
    }
}

bool TcpConnection::skip(std::size_t count)
{
    while (m_buffer.size() < count) {
        count -= m_buffer.size();
        m_buffer.clear();
        if (!fill())
            return false;
    }
    m_buffer.erase(0, count);
    return true;
}

bool TcpConnection::skipToEnd()
{
    m_buffer.clear();
    while (fill())
        m_buffer.clear();
    return m_closedCleanly;
}

bool TcpConnection::fill()
{
    if (!waitFor(m_fd, POLLIN, m_timeoutMs))
        return false; // the answer took too long, or is no longer wanted
    char chunk[4096];
    const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
    if (n == 0)
        m_closedCleanly = true;
    if (n <= 0)
        return false;
    m_buffer.append(chunk, static_cast<std::size_t>(n));
    return true;
}

} // namespace clipvane::platform
