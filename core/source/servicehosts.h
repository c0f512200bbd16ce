#pragma once

#include <string>

namespace clipvane {

// Where the video service, the maker's web host and the codec vendor live.
// Each host may carry a port ("127.0.0.1:8642").
struct ServiceHosts
{
    std::string video = "video.service.example";
    std::string sequence = "sequence.service.example";
    std::string playlist = "playlist.service.example";
    std::string maker = "www.tolrand.example";
    std::string codec = "download.codec.example";
    std::string support = "support@tolrand.example";
};

// Reads "hosts.ini"; a missing file or key keeps the built-in value.
ServiceHosts LoadServiceHosts(const std::string& iniPath);

// The hosts of this run: read from "hosts.ini" beside the executable the first
// time they are asked for.
const ServiceHosts& CurrentHosts();
void SetCurrentHosts(const ServiceHosts& hosts);

// Addresses built on the hosts. Ids go in unchanged: the service expects them
// as the page gave them.
std::string ExamplePageAddress(const ServiceHosts& hosts);
std::string SequenceAddress(const ServiceHosts& hosts, const std::string& clipId);
std::string PlaylistAddress(const ServiceHosts& hosts, const std::string& streamId);
std::string ProbeAddress(const ServiceHosts& hosts);
std::string ProductPageAddress(const ServiceHosts& hosts);
std::string CodecInstallerAddress(const ServiceHosts& hosts);

} // namespace clipvane
