// The stand-in video service, run on its own so the program can be tried
// without the real service: clipvane-standin [--port N] [--hosts-ini PATH]
// [--log PATH] [--cache DIR]
#include "standin.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_quit = 0;

void onSignal(int)
{
    g_quit = 1;
}

int usage()
{
    std::fprintf(
        stderr, "usage: clipvane-standin [--port N] [--hosts-ini PATH] [--log PATH] [--cache DIR]\n"
                "                        [--shared DIR] [--hls-rate BYTES-PER-SECOND] [--hls-clip "
                "SxWxH]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    clipvane::standin::Options options;
    long port = 0;
    std::string hostsIni;
    long long rate = 0;
    int hlsSeconds = 8;
    std::string hlsSize = "640x360";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        const std::string value = argv[++i];
        if (arg == "--port") {
            char* end = nullptr;
            port = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || port < 0 || port > 65535)
                return usage();
        } else if (arg == "--hosts-ini") {
            hostsIni = value;
        } else if (arg == "--log") {
            options.logPath = value;
        } else if (arg == "--cache") {
            options.cacheFolder = value;
        } else if (arg == "--shared") {
            options.sharedFolder = value;
        } else if (arg == "--hls-rate") {
            rate = std::atoll(value.c_str());
        } else if (arg == "--hls-clip") {
            // SECONDSxWIDTHxHEIGHT: the length and the larger size of the HLS clips.
            const auto x = value.find('x');
            if (x == std::string::npos)
                return usage();
            hlsSeconds = std::atoi(value.substr(0, x).c_str());
            hlsSize = value.substr(x + 1);
            if (hlsSeconds <= 0 || hlsSize.find('x') == std::string::npos)
                return usage();
        } else {
            return usage();
        }
    }

    clipvane::standin::Server server(options);
    server.setHlsRate(rate);
    server.setHlsClip(hlsSeconds, hlsSize);
    if (!server.start(static_cast<std::uint16_t>(port))) {
        std::fprintf(stderr, "clipvane-standin: cannot listen on 127.0.0.1:%ld: %s\n", port,
                     std::strerror(errno));
        return 1;
    }
    if (!hostsIni.empty() && !server.writeHostsIni(hostsIni)) {
        std::fprintf(stderr, "clipvane-standin: cannot write %s\n", hostsIni.c_str());
        return 1;
    }
    std::printf("Listening on http://%s\n", server.hostPort().c_str());
    for (const auto& clip : server.catalogue())
        std::printf("  %s  %s\n", server.pageAddress(clip).c_str(), clip.title.c_str());
    std::printf("Pages of today's web:\n");
    for (const char* page :
         {"/web/og.html", "/web/jsonld.html", "/web/video.html", "/web/embed.html", "/web/hls.html",
          "/media/clip.mp4", "/hls/ts/master.m3u8"})
        std::printf("  %s\n", server.address(page).c_str());
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!g_quit)
        ::pause();
    server.stop();
    return 0;
}
