// Converts TEMP/temp.flv to TEMP/temp.avi the way a job does: the adapter
// through the converter runner, with the main thread in a running Qt event
// loop that reads the time once a second as the job's ticker does, and prints
// the seconds until the runner said the converter had ended and how much
// output the runner read.
// Usage: clipvane-bench-convert TOOL-FOLDER TEMP-FOLDER   (both ending in "/")
//        clipvane-bench-convert --plan mp4|original INPUT OUTPUT
// The second form converts as a job does for the other formats: ffprobe on
// the input, the plan, ffmpeg through the runner, ffprobe on the result; it
// prints the seconds and ffmpeg's arguments, so bare ffmpeg can be timed
// with the very same options.
#include "core/conversion/commandline.h"
#include "core/conversion/converterrunner.h"
#include "core/conversion/mediaplan.h"
#include "core/conversion/mediaprobe.h"
#include "platform/files.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

int planned(QCoreApplication& app, clipvane::OutputFormat format, const std::string& input,
            const std::string& output)
{
    using namespace clipvane;
    MediaProbe probe;
    ConverterRunner runner;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> arguments;
    bool verifying = false;
    int status = 1;
    QObject::connect(&probe, &MediaProbe::probed, &app, [&](const Result<MediaStreams>& streams) {
        if (!streams) {
            QCoreApplication::exit(1);
            return;
        }
        if (verifying) {
            status = streams.value().seconds > 0 ? 0 : 1;
            QCoreApplication::quit();
            return;
        }
        const Result<ConversionPlan> plan = PlanConversion(format, streams.value());
        if (!plan) {
            QCoreApplication::exit(1);
            return;
        }
        arguments = FfmpegArguments({input}, plan.value(), output);
        runner.startWithProgress("ffmpeg", arguments);
    });
    QObject::connect(&runner, &ConverterRunner::ended, &app, [&] {
        verifying = true;
        probe.start(output);
    });
    probe.start(input);
    QCoreApplication::exec();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("seconds=%.3f exit=%d\nargs=", seconds, status);
    for (const std::string& a : arguments)
        std::printf("%s\x1f", a.c_str());
    std::printf("\n");
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 5 && std::string(argv[1]) == "--plan") {
        QCoreApplication app(argc, argv);
        const auto format = clipvane::FormatOfWord(argv[2]);
        if (!format)
            return 2;
        return planned(app, *format, argv[3], argv[4]);
    }
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
