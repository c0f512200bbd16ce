#pragma once

#include <atomic>
#include <map>
#include <string>

namespace clipvane {

// The firewall probe's HTTP client: one per window, for its whole life, so
// cookies the server sets come back on the next press. It sends exactly one
// fixed request shape and judges the answer; redirects are not followed.
//
// This is a small client of its own rather than the libcurl one the jobs
// use, because the probe's bytes are fixed to the header: "Content-Type"
// comes before "Host". libcurl (7.88) always writes the Host line, its own
// or a custom one, right after the request line, and sends the cookies of
// its cookie engine before the custom headers; it cannot send this request.
class FirewallProbeClient
{
public:
    // `host` may carry a port ("127.0.0.1:8642"); without one, port 80.
    // Blocks for up to the two time-outs: run it off the window thread.
    [[nodiscard]] bool probe(const std::string& host, const std::string& path);

    // The request bytes probe() sends for this host and path.
    std::string requestText(const std::string& host, const std::string& path) const;

    void setTimeouts(int connectMilliseconds, int answerMilliseconds)
    {
        m_connectTimeoutMs = connectMilliseconds;
        m_answerTimeoutMs = answerMilliseconds;
    }
    // From another thread: the probe in progress ends at once, failed.
    void stop() { m_stop = true; }

    const std::map<std::string, std::string>& cookies() const { return m_cookies; }

private:
    std::map<std::string, std::string> m_cookies;
    int m_connectTimeoutMs = 30000;
    int m_answerTimeoutMs = 30000;
    std::atomic<bool> m_stop{false};
};

} // namespace clipvane
