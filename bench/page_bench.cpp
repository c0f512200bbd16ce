// Reads a page as the job reads it, ten times, and prints the best time
// and how much the resident memory grew beyond the page itself.
// Usage: clipvane-bench-page PAGE.html PAGE-ADDRESS
#include "core/source/pagemedia.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: clipvane-bench-page PAGE.html PAGE-ADDRESS\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string page = bytes.str();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const long before = usage.ru_maxrss;
    double best = 1e9;
    std::size_t found = 0;
    for (int turn = 0; turn < 10; ++turn) {
        const auto start = std::chrono::steady_clock::now();
        const clipvane::PageFindings findings = clipvane::FindPageMedia(page, argv[2]);
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
        found = findings.media.size();
    }
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("bytes=%zu ms=%.2f grown_kb=%ld media=%zu\n", page.size(), best,
                usage.ru_maxrss - before, found);
    return 0;
}
