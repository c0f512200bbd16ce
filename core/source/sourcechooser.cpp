#include "core/source/sourcechooser.h"

#include "core/source/videopage.h"

namespace clipvane {

namespace {

// "host" or "host:port" of an http address.
std::string HostPortOf(const std::string& address)
{
    const auto start = address.find("://");
    if (start == std::string::npos)
        return {};
    const std::string rest = address.substr(start + 3);
    return rest.substr(0, rest.find_first_of("/?#"));
}

} // namespace

SourceChooser::SourceChooser(ServiceHosts hosts) : m_hosts(hosts), m_service(std::move(hosts)) {}

Resolution SourceChooser::resolve(const std::string& pageAddress, ResolutionProgress& progress,
                                  const StopFlag& stop)
{
    const bool probed = CheckConnection(ProbeAddress(m_hosts), &stop);
    if (pageAddress.empty()) {
        if (!probed)
            return {ResolveFailure::NoConnection, {}, std::nullopt, {}};
        progress.connectionChecked();
        return m_service.resolveWithPage(std::nullopt, progress, stop);
    }

    // The first request is the service's, byte for byte, whatever the page.
    if (probed)
        progress.connectionChecked();
    FetchedDocument page = FetchDocument(pageAddress, ServicePageRequest(), &stop);
    if (!probed) {
        if (!page.reached && page.failure.certificate)
            return {ResolveFailure::CertificateRefused,
                    CertificateMessage(pageAddress, page.failure.reason),
                    std::nullopt,
                    {}};
        if (!page.reached)
            return {ResolveFailure::NoConnection, {}, std::nullopt, {}};
        progress.connectionChecked(); // the page answered: the way out is open
    }

    const bool service =
        !page.reached ? !page.failure.certificate : !page.isMedia && !FindClipId(page.body).empty();
    if (service) {
        // Where no hosts.ini names the service's own hosts, its page's host
        // answers for them.
        ServiceHosts hosts = m_hosts;
        const ServiceHosts builtIn;
        const std::string pageHost = HostPortOf(pageAddress);
        if (hosts.sequence == builtIn.sequence && !pageHost.empty())
            hosts.sequence = pageHost;
        if (hosts.playlist == builtIn.playlist && !pageHost.empty())
            hosts.playlist = pageHost;
        // A page that could not be read reads as an empty one, as it always did.
        // A page may be megabytes: it moves on, never copied.
        const std::optional<std::string> body = page.reached ? std::move(page.body) : std::string();
        return m_service.resolveWithPage(body, progress, stop, &hosts);
    }
    // What the page set goes on with the job (and what the first request
    // carried, as a browser carries a site's cookies from visit to visit).
    auto share = std::make_shared<RequestShare>();
    share->addCookieLines(RequestShare::processWide().cookieLines());
    return m_web.resolveFrom(pageAddress, std::move(page), share, progress, stop);
}

} // namespace clipvane
