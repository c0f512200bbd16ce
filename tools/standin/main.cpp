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
        stderr,
        "usage: clipvane-standin [--port N] [--hosts-ini PATH] [--log PATH] [--cache DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    clipvane::standin::Options options;
    long port = 0;
    std::string hostsIni;
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
        } else {
            return usage();
        }
    }

    clipvane::standin::Server server(options);
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
    std::fflush(stdout);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!g_quit)
        ::pause();
    server.stop();
    return 0;
}
