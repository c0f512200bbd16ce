// clipvane-cli: the same job as the windowed program, on a terminal.
#include "cli/consoleview.h"
#include "cli/terminaltext.h"
#include "core/job/jobcontroller.h"
#include "core/job/jobstartup.h"
#include "core/settings/outputfolder.h"
#include "core/settings/settingsfile.h"
#include "core/source/servicehosts.h"
#include "platform/folders.h"
#include "platform/interruptions.h"
#include "platform/singleinstance.h"
#include "platform/terminal.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace clipvane;

const char* kUsage =
    "Usage: clipvane-cli PAGE-ADDRESS [OUTPUT-FOLDER]\n"
    "\n"
    "Saves the clip of a video page as an AVI file (MPEG-4 video tagged divx at\n"
    "320x240, mono MP3), the same job the Clipvane window does.\n"
    "\n"
    "  PAGE-ADDRESS    the address of the video page, as a browser shows it\n"
    "  OUTPUT-FOLDER   where the file goes; by default the window's saved output\n"
    "                  folder (set.txt beside the program), else the desktop\n"
    "\n"
    "The file is named after the clip's title, with [1], [2], ... in front when\n"
    "the name is taken. Ctrl+C cancels the job; nothing is then added to the folder.\n"
    "\n"
    "Exit status: 0 saved, 2 wrong use, 3 no connection to the maker's host,\n"
    "4 no video link on the page, 5 download failed, 6 conversion failed,\n"
    "7 the file could not be moved into the folder, 8 no converter,\n"
    "9 Clipvane already running, 130 cancelled (Ctrl+C or a request to end),\n"
    "129 cancelled because the terminal went away, 141 cancelled because the\n"
    "output was no longer read, 1 anything else.\n"
    "\n"
    "  --help          this text\n"
    "  --version       the program's name and version\n";

// The saved output folder of the window, if the settings file names one.
class SavedFolder : public SettingsTarget
{
public:
    void setOutputFolder(const std::string& folder) override { value = folder; }
    void setTop(std::int32_t) override {}
    void setLeft(std::int32_t) override {}
    std::string value;
};

std::string DefaultOutputFolder()
{
    SavedFolder saved;
    try {
        ApplySettingsFile(platform::ExecutableFolder() + "set.txt", saved);
    } catch (const std::exception&) {
        // Only the folder line matters here; a bad position line does not.
    }
    if (!saved.value.empty())
        return NormalizeOutputFolder(saved.value);
    const std::string desktop = platform::DesktopFolder();
    return NormalizeOutputFolder(desktop.empty() ? platform::HomeFolder() : desktop);
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    for (const std::string& a : arguments) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::puts("Clipvane 1.0");
            return 0;
        }
    }
    if (arguments.empty() || arguments.size() > 2 || arguments[0].rfind("--", 0) == 0) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    // The windows and this program share the temp folder, so one of them at a time.
    platform::SingleInstance instance("clipvane");
    if (!instance.acquired()) {
        std::fprintf(stderr,
                     "clipvane-cli: Clipvane is already running; it does one job at a time.\n");
        return kExitAlreadyRunning;
    }

    QCoreApplication app(argc, argv);
    const std::string folder =
        arguments.size() > 1 ? NormalizeOutputFolder(arguments[1]) : DefaultOutputFolder();

    ConsoleJobView view(arguments[0], folder, platform::IsTerminal(stdout), stdout, stderr);
    view.setEndedHandler([] { QCoreApplication::quit(); });
    StartupProblems problems;
    const auto job = StartJobSystem(
        view, CurrentHosts(),
        [](const std::string& message) {
            std::fprintf(stderr, "%s\n", TerminalSafe(message).c_str());
            std::_Exit(ExitStatusFor(JobOutcome::NoConverter));
        },
        problems);
    if (!problems.tempFolder.empty()) {
        std::fprintf(stderr, "%s\n", TerminalSafe(problems.tempFolder).c_str());
        return ExitStatusFor(JobOutcome::TempFolderUnusable);
    }
    if (!problems.converterTool.empty()) {
        std::fprintf(stderr, "%s\n", TerminalSafe(problems.converterTool).c_str());
        return ExitStatusFor(JobOutcome::NoConverter);
    }

    platform::CatchInterruptions();
    // The first interruption that came while the job ran: it decides the
    // status of a cancelled job. One after the end changes nothing.
    platform::Interruption cancelledBy = platform::Interruption::None;

    auto guarded = [&](auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            view.message(e.what());
        }
    };

    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, [&] { guarded([&] { job->tick(); }); });
    QTimer interrupts;
    interrupts.setInterval(100);
    QObject::connect(&interrupts, &QTimer::timeout, [&] {
        const platform::Interruption interruption = platform::TakeInterruption();
        if (interruption != platform::Interruption::None && !view.ended()) {
            if (cancelledBy == platform::Interruption::None)
                cancelledBy = interruption;
            guarded([&] { job->cancel(); });
        }
        if (view.ended())
            QCoreApplication::quit();
    });
    ticker.start();
    interrupts.start();

    QTimer::singleShot(0, [&] {
        guarded([&] { job->start(); });
        if (view.ended())
            QCoreApplication::quit();
    });
    QCoreApplication::exec();

    // The end was decided once, by the job: the status and the last line
    // come from it alone.
    const JobEnd& end = job->lastEnd();
    if (end.outcome == JobOutcome::Saved)
        std::printf("Saved: %s\n", TerminalSafe(end.savedPath).c_str());
    std::fflush(stdout);
    if (end.outcome == JobOutcome::Cancelled)
        return CancelledStatus(cancelledBy);
    return ExitStatusFor(end.outcome);
}
