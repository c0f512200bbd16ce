#pragma once

#include <map>
#include <string>

namespace clipvane {

// The firewall probe's HTTP client: one per window, for its whole life, so
// cookies the server sets come back on the next press. It sends exactly one
// fixed request shape and judges the answer; redirects are not followed.
class FirewallProbeClient
{
public:
    // `host` may carry a port ("127.0.0.1:8642"); without one, port 80.
    bool Probe(const std::string& host, const std::string& path);

    // The request bytes Probe sends for this host and path.
    std::string RequestText(const std::string& host, const std::string& path) const;

    int ConnectTimeoutMilliseconds = 30000;
    int AnswerTimeoutMilliseconds = 30000;

    const std::map<std::string, std::string>& cookies() const { return m_cookies; }

private:
    std::map<std::string, std::string> m_cookies;
};

} // namespace clipvane
