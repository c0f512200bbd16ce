// Converts TEMP/temp.flv to TEMP/temp.avi the way a job does: the adapter
// through the converter runner, with the main thread in a running Qt event
// loop that reads the time once a second as the job's ticker does, and prints
// the seconds until the runner said the converter had ended and how much
// output the runner read.
// Usage: clipvane-bench-convert TOOL-FOLDER TEMP-FOLDER   (both ending in "/")
#include "core/conversion/commandline.h"
#include "core/conversion/converterrunner.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

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
    double seconds = -1;
    QObject::connect(&runner, &clipvane::ConverterRunner::ended, &app, [&] {
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QCoreApplication::quit();
    });
    QObject::connect(&runner, &clipvane::ConverterRunner::failedToStart, &app,
                     [](const std::string&) { QCoreApplication::exit(1); });
    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        if (runner.isDescribed() && !runner.finished())
            (void)runner.timeSeconds();
    });
    runner.start(clipvane::ConverterCommandLine(tools, temp));
    ticker.start();
    QCoreApplication::exec();
    std::printf("seconds=%.3f exit=%d output_bytes=%zu\n", seconds, runner.exitCode(),
                runner.output().size());
    return runner.exitCode() == 0 ? 0 : 1;
}
