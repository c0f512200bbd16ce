// Downloads one address through DownloadWorker into a file, with the main
// thread in a running Qt event loop as in the program, and prints the bytes,
// the seconds, the publish count and the peak resident memory.
// Usage: clipvane-bench-download ADDRESS FILE
#include "core/download/downloadworker.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: clipvane-bench-download ADDRESS FILE\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    auto* worker = new clipvane::DownloadWorker(argv[1], argv[2]);
    long publishes = 0;
    std::int32_t bytes = 0;
    bool failed = false;
    worker->setProgressHandler([&] { ++publishes; });
    worker->setDoneHandler([&] {
        bytes = worker->bytesShown();
        failed = worker->failed();
    });
    QObject::connect(worker, &QThread::finished, &app, &QCoreApplication::quit);
    const auto start = std::chrono::steady_clock::now();
    QTimer::singleShot(0, worker, [worker] { worker->start(); });
    QCoreApplication::exec();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("bytes=%d seconds=%.3f publishes=%ld peak_rss_kb=%ld failed=%d\n", bytes, seconds,
                publishes, usage.ru_maxrss, failed ? 1 : 0);
    return failed ? 1 : 0;
}
