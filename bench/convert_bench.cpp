// Converts TEMP/temp.flv to TEMP/temp.avi the way a job does: the adapter
// through the converter runner, with the main thread in a running Qt event
// loop that reads the converter's output once a second, and prints the
// seconds the converter took (to its exit, watched without reading its pipe)
// and how much output the runner read.
// Usage: clipvane-bench-convert TOOL-FOLDER TEMP-FOLDER   (both ending in "/")
#include "core/conversion/commandline.h"
#include "core/conversion/converterrunner.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Ended, and not yet reaped by the runner: a zombie.
bool ended(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    return close == std::string::npos || (close + 2 < text.size() && text[close + 2] == 'Z');
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: clipvane-bench-convert TOOL-FOLDER TEMP-FOLDER\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const std::string tools = argv[1];
    const std::string temp = argv[2];
    clipvane::platform::DeleteFile(temp + "temp.avi");

    clipvane::ConverterRunner runner;
    const auto start = std::chrono::steady_clock::now();
    runner.run(clipvane::ConverterCommandLine(tools, temp));
    runner.readOutput();
    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (runner.finished()) {
            QCoreApplication::quit();
            return;
        }
        runner.readOutput();
    });
    double seconds = -1;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (seconds < 0 && ended(runner.processId()))
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    ticker.start();
    watch.start();
    QCoreApplication::exec();
    std::printf("seconds=%.3f exit=%u output_bytes=%zu\n", seconds, runner.exitCode(),
                runner.output().size());
    return runner.exitCode() == 0 ? 0 : 1;
}
