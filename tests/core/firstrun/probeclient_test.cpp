#include "core/firstrun/probeclient.h"

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace clipvane {
namespace {

// A loopback server of the test's own: it answers each connection with the
// next canned bytes and keeps the raw request it received.
class CannedServer
{
public:
    CannedServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~CannedServer()
    {
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
    }

    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Serves one connection in the background with `answer`; `holdMs` keeps
    // the connection open that long after the answer.
    void answerNext(std::string answer, int holdMs = 0)
    {
        if (m_thread.joinable())
            m_thread.join();
        m_thread = std::thread([this, answer = std::move(answer), holdMs] {
            pollfd p{m_listener, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                return;
            const int fd = ::accept(m_listener, nullptr, nullptr);
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(n));
            }
            m_request = request;
            ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
            if (holdMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
            ::close(fd);
        });
    }

    std::string request()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_request;
    }

private:
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::string m_request;
};

// The probe's request, byte for byte, with any lines after the user agent.
std::string ProbeRequest(const std::string& host, const std::string& extraLines)
{
    return "GET /files/vidudoz/test.txt HTTP/1.1\r\n"
           "Content-Type: text/html\r\n"
           "Host: " +
           host +
           "\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           extraLines + "\r\n";
}

TEST(FirewallProbe, SendsExactlyTheRequestAndLaterItsCookies)
{
    CannedServer server;
    FirewallProbeClient client;
    server.answerNext(
        "HTTP/1.1 200 OK\r\nSet-Cookie: visit=abc123; Path=/\r\nContent-Length: 5\r\n\r\n12345");
    EXPECT_TRUE(client.probe(server.host(), "/files/vidudoz/test.txt"));
    EXPECT_EQ(server.request(), ProbeRequest(server.host(), ""));
    server.answerNext("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    EXPECT_TRUE(client.probe(server.host(), "/files/vidudoz/test.txt"));
    EXPECT_EQ(server.request(), ProbeRequest(server.host(), "Cookie: visit=abc123\r\n"));
}

TEST(FirewallProbe, AnswerTable)
{
    struct Case
    {
        const char* name;
        std::string answer;
        bool success;
        int holdMs = 0;
    };
    const Case cases[] = {
        {"200 empty", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true},
        {"200 with length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", true, 1200},
        {"200 chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", true,
         1200},
        {"200 until close", "HTTP/1.0 200 OK\r\n\r\nbody until the end", true},
        {"204", "HTTP/1.1 204 No Content\r\n\r\n", true, 1200},
        {"100 then 200",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", true, 1200},
        {"301",
         "HTTP/1.1 301 Moved Permanently\r\nLocation: http://elsewhere/\r\nContent-Length: "
         "0\r\n\r\n",
         false},
        {"302", "HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n", false},
        {"304", "HTTP/1.1 304 Not Modified\r\n\r\n", false},
        {"404", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", false},
        {"500", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", false},
        {"200 with Location", "HTTP/1.1 200 OK\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n",
         false},
        {"garbage status line", "HELLO THERE\r\n\r\n", false},
        {"status without number", "HTTP/1.1 OK\r\n\r\n", false},
        {"body cut short", "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nshort", false},
    };
    CannedServer server;
    for (const Case& c : cases) {
        FirewallProbeClient client;
        // Short enough that waiting for the close of a held connection fails.
        client.setTimeouts(30000, 1000);
        server.answerNext(c.answer, c.holdMs);
        EXPECT_EQ(client.probe(server.host(), "/files/vidudoz/test.txt"), c.success) << c.name;
        server.request();
    }
}

TEST(FirewallProbe, UnreachableAndSilentServersFail)
{
    FirewallProbeClient client;
    EXPECT_FALSE(client.probe("127.0.0.1:1", "/files/vidudoz/test.txt"));
    CannedServer server;
    client.setTimeouts(30000, 300);
    server.answerNext("", 1500); // takes the request, says nothing
    EXPECT_FALSE(client.probe(server.host(), "/files/vidudoz/test.txt"));
    server.request();
}

} // namespace
} // namespace clipvane
