#include "core/firstrun/probeclient.h"

#include "core/base/asciicase.h"
#include "platform/tcpconnection.h"

#include <cstdlib>
#include <optional>
#include <vector>

namespace clipvane {

namespace {

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

struct Answer
{
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers; // names in lower case
    std::optional<std::string> header(const std::string& name) const
    {
        for (const auto& [n, v] : headers)
            if (n == name)
                return v;
        return std::nullopt;
    }
};

std::optional<Answer> readHead(platform::TcpConnection& connection)
{
    Answer answer;
    const auto statusLine = connection.line();
    if (!statusLine || statusLine->rfind("HTTP/", 0) != 0)
        return std::nullopt;
    const auto blank = statusLine->find(' ');
    if (blank == std::string::npos)
        return std::nullopt;
    const std::string code = statusLine->substr(blank + 1, 3);
    if (code.size() != 3 || code.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    answer.status = std::atoi(code.c_str());
    for (;;) {
        const auto line = connection.line();
        if (!line)
            return std::nullopt;
        if (line->empty())
            return answer;
        const auto colon = line->find(':');
        if (colon == std::string::npos)
            continue;
        answer.headers.emplace_back(AsciiLower(trim(line->substr(0, colon))),
                                    trim(line->substr(colon + 1)));
    }
}

bool skipChunkedBody(platform::TcpConnection& connection)
{
    for (;;) {
        const auto sizeLine = connection.line();
        if (!sizeLine)
            return false;
        char* end = nullptr;
        const unsigned long long size = std::strtoull(sizeLine->c_str(), &end, 16);
        if (end == sizeLine->c_str())
            return false;
        if (size == 0) {
            // Trailers, up to the empty line.
            for (;;) {
                const auto trailer = connection.line();
                if (!trailer)
                    return false;
                if (trailer->empty())
                    return true;
            }
        }
        if (!connection.skip(static_cast<std::size_t>(size)) || !connection.line())
            return false;
    }
}

} // namespace

std::string FirewallProbeClient::requestText(const std::string& host, const std::string& path) const
{
    std::string request = "GET " + path +
                          " HTTP/1.1\r\n"
                          "Content-Type: text/html\r\n"
                          "Host: " +
                          host +
                          "\r\n"
                          "Accept: text/html, */*\r\n"
                          "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    if (!m_cookies.empty()) {
        std::string cookie;
        for (const auto& [name, value] : m_cookies)
            cookie.append(cookie.empty() ? "" : "; ").append(name).append("=").append(value);
        request += "Cookie: " + cookie + "\r\n";
    }
    return request + "\r\n";
}

bool FirewallProbeClient::probe(const std::string& host, const std::string& path)
{
    m_stop = false;
    std::string name = host;
    std::string port = "80";
    if (const auto colon = host.rfind(':');
        colon != std::string::npos && host.find(']') == std::string::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
    }
    platform::TcpConnection connection;
    connection.setTimeout(m_answerTimeoutMs);
    connection.setStop(&m_stop);
    if (!connection.open(name, port, m_connectTimeoutMs) ||
        !connection.send(requestText(host, path)))
        return false;

    std::optional<Answer> answer;
    do {
        answer = readHead(connection);
        if (!answer)
            return false;
    } while (answer->status == 100);

    for (const auto& [n, v] : answer->headers) {
        if (n != "set-cookie")
            continue;
        const std::string pair = v.substr(0, v.find(';'));
        const auto equals = pair.find('=');
        if (equals != std::string::npos && equals > 0)
            m_cookies[trim(pair.substr(0, equals))] = trim(pair.substr(equals + 1));
    }

    if (answer->status < 200 || answer->status > 299 || answer->header("location"))
        return false;
    if (answer->status == 204)
        return true;
    if (const auto encoding = answer->header("transfer-encoding");
        encoding && AsciiLower(*encoding).find("chunked") != std::string::npos)
        return skipChunkedBody(connection);
    if (const auto length = answer->header("content-length")) {
        char* end = nullptr;
        const unsigned long long size = std::strtoull(length->c_str(), &end, 10);
        if (end == length->c_str())
            return false;
        return connection.skip(static_cast<std::size_t>(size));
    }
    return connection.skipToEnd();
}

} // namespace clipvane
