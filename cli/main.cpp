// clipvane-cli: the same job as the windowed program, on a terminal.
#include "cli/arguments.h"
#include "cli/consoleview.h"
#include "cli/jsonevents.h"
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
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace clipvane;

const char* kUsage =
    "Usage: clipvane-cli [OPTIONS] PAGE-ADDRESS... [-o OUTPUT-FOLDER]\n"
    "       clipvane-cli [OPTIONS] --batch FILE [-o OUTPUT-FOLDER]\n"
    "       clipvane-cli PAGE-ADDRESS OUTPUT-FOLDER\n"
    "\n"
    "Saves the clip of each video page as a file, the same job the Clipvane window\n"
    "does, one page after the other.\n"
    "\n"
    "  PAGE-ADDRESS    the address of a video page, as a browser shows it\n"
    "  -o, --output OUTPUT-FOLDER\n"
    "                  where the files go; by default the window's saved output\n"
    "                  folder (set.txt), else the desktop. A last argument that is\n"
    "                  no http or https address is taken for the folder as well.\n"
    "  --batch FILE    the addresses of FILE too, one a line (\"-\": standard\n"
    "                  input); blank lines and lines starting with # are skipped\n"
    "  --format FORMAT avi (the default): MPEG-4 video tagged divx at 320x240 and\n"
    "                  mono MP3, in AVI; mp4: H.264 and AAC at the clip's own size,\n"
    "                  in MP4 (streams that already are copied); original: the\n"
    "                  clip's own streams untouched, in MP4 when they fit, else in\n"
    "                  Matroska (.mkv). A clip without video keeps its sound alone\n"
    "                  (.m4a or .mka) in the last two.\n"
    "  --connections N the segments of an HLS stream are fetched over N\n"
    "                  connections at once (1 to 16; 4 by default)\n"
    "  --json          one JSON object a line for each event, instead of the text\n"
    "  --help          this text\n"
    "  --version       the program's name and version\n"
    "\n"
    "Each file is named after the clip's title, with [1], [2], ... in front when\n"
    "the name is taken, so two clips of one title never overwrite each other.\n"
    "Ctrl+C cancels the job in progress and skips the rest; nothing is then added\n"
    "to the folder for that job. With more than one page, a summary follows.\n"
    "\n"
    "Exit status: 0 when every file was saved, else the status of the first job\n"
    "that was not: 2 wrong use, 3 no connection to the maker's host, 4 no video\n"
    "link on the page, 5 download failed, 6 conversion failed, 7 the file could\n"
    "not be moved into the folder, 8 no converter, 9 Clipvane already running,\n"
    "10 a secure site's certificate was not trusted, 11 a live stream, 12 a\n"
    "protected stream,\n"
    "130 cancelled (Ctrl+C or a request to end), 129 cancelled because the\n"
    "terminal went away, 141 cancelled because the output was no longer read,\n"
    "1 anything else.\n"
    "\n"
    "The events of --json:\n";

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
        ApplySettingsFile(platform::SettingsFolder() + "set.txt", saved);
    } catch (const std::exception&) {
        // Only the folder line matters here; a bad position line does not.
    }
    if (!saved.value.empty())
        return NormalizeOutputFolder(saved.value);
    const std::string desktop = platform::DesktopFolder();
    return NormalizeOutputFolder(
        desktop.empty() || !platform::FolderExists(desktop) ? platform::HomeFolder() : desktop);
}

// What became of each page of the call.
struct PageResult
{
    std::string address;
    JobEnd end;
    int status = 0;
    bool skipped = false;
};

void PrintSummary(ConsoleJobView& view, const std::vector<PageResult>& results, int status)
{
    int saved = 0, failed = 0, cancelled = 0;
    for (const PageResult& r : results) {
        if (r.end.outcome == JobOutcome::Saved)
            ++saved;
        else if (r.skipped || r.end.outcome == JobOutcome::Cancelled)
            ++cancelled;
        else
            ++failed;
    }
    if (view.style() == ConsoleJobView::Style::Json) {
        view.json(JsonEvent("summary", {{"saved", std::to_string(saved)},
                                        {"failed", std::to_string(failed)},
                                        {"cancelled", std::to_string(cancelled)},
                                        {"status", std::to_string(status)}}));
        return;
    }
    if (results.size() < 2)
        return;
    view.line("Summary: " + std::to_string(saved) + " saved, " + std::to_string(failed) +
              " failed, " + std::to_string(cancelled) + " cancelled");
    for (const PageResult& r : results) {
        if (r.end.outcome == JobOutcome::Saved)
            view.line("  saved: " + TerminalSafe(r.end.savedPath));
        else if (r.skipped)
            view.line("  cancelled (not started): " + TerminalSafe(r.address));
        else if (r.end.outcome == JobOutcome::Cancelled)
            view.line("  cancelled: " + TerminalSafe(r.address));
        else
            view.line("  failed: " + TerminalSafe(r.address) + ": " + TerminalSafe(r.end.message));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const CliArguments arguments = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kJsonEvents, stdout);
        return 0;
    }
    if (arguments.version) {
        std::puts("Clipvane 1.0");
        return 0;
    }
    std::vector<std::string> addresses = arguments.addresses;
    if (arguments.error.empty() && !arguments.batchFile.empty()) {
        std::ifstream file;
        if (arguments.batchFile != "-")
            file.open(arguments.batchFile);
        if (arguments.batchFile != "-" && !file) {
            std::fprintf(stderr, "clipvane-cli: cannot read %s\n",
                         TerminalSafe(arguments.batchFile).c_str());
            return kExitUsage;
        }
        const std::vector<std::string> batch =
            ReadBatchLines(arguments.batchFile == "-" ? std::cin : file);
        addresses.insert(addresses.end(), batch.begin(), batch.end());
    }
    if (!arguments.error.empty() || addresses.empty()) {
        if (!arguments.error.empty())
            std::fprintf(stderr, "clipvane-cli: %s\n", TerminalSafe(arguments.error).c_str());
        std::fputs(kUsage, stderr);
        std::fputs(kJsonEvents, stderr);
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
        arguments.folder.empty() ? DefaultOutputFolder() : NormalizeOutputFolder(arguments.folder);
    const ConsoleJobView::Style style = arguments.json ? ConsoleJobView::Style::Json
                                        : platform::IsTerminal(stdout)
                                            ? ConsoleJobView::Style::Terminal
                                            : ConsoleJobView::Style::Lines;
    ConsoleJobView view(style, stdout, stderr);
    StartupProblems problems;
    const auto job = StartJobSystem(view, CurrentHosts(), problems);
    if (!problems.tempFolder.empty()) {
        std::fprintf(stderr, "%s\n", TerminalSafe(problems.tempFolder).c_str());
        return ExitStatusFor(JobOutcome::TempFolderUnusable);
    }
    if (!problems.converterTool.empty()) {
        std::fprintf(stderr, "%s\n", TerminalSafe(problems.converterTool).c_str());
        return ExitStatusFor(JobOutcome::NoConverter);
    }
    platform::CatchInterruptions();
    // The first interruption while a job ran decides the status of that
    // cancelled job and skips the rest. One after a job's end changes
    // nothing of it: its end was decided once, by the job.
    platform::Interruption cancelledBy = platform::Interruption::None;
    std::vector<PageResult> results;
    std::size_t next = 0;
    int status = 0;

    // Once the converter cannot be started, no later job can convert either.
    bool cannotGoOn = false;
    auto guarded = [&](auto&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            view.report(e.what());
        }
    };
    std::function<void()> startNext = [&] {
        if (next >= addresses.size() || cancelledBy != platform::Interruption::None || cannotGoOn) {
            for (; next < addresses.size(); ++next)
                results.push_back(
                    {addresses[next], {JobOutcome::Cancelled, {}, {}}, kExitCancelled, true});
            QCoreApplication::quit();
            return;
        }
        view.beginJob(addresses[next], next, addresses.size());
        ++next;
        guarded([&] {
            job->start({addresses[next - 1], folder, arguments.format, arguments.connections});
        });
    };
    view.setEndedHandler([&](const JobEnd& end) {
        const int jobStatus = end.outcome == JobOutcome::Cancelled ? CancelledStatus(cancelledBy)
                                                                   : ExitStatusFor(end.outcome);
        results.push_back({addresses[next - 1], end, jobStatus, false});
        cannotGoOn = cannotGoOn || end.outcome == JobOutcome::ConverterNotStarted;
        if (status == 0)
            status = jobStatus;
        const bool json = view.style() == ConsoleJobView::Style::Json;
        if (end.outcome == JobOutcome::Saved) {
            if (json)
                view.json(
                    JsonEvent("saved", {{"address", JsonString(addresses[next - 1])},
                                        {"path", JsonString(end.savedPath)},
                                        {"format", JsonString(FormatWord(arguments.format))}}));
            else
                view.line("Saved: " + TerminalSafe(end.savedPath));
        } else if (json) {
            if (end.outcome == JobOutcome::Cancelled)
                view.json(JsonEvent("cancelled", {{"address", JsonString(addresses[next - 1])},
                                                  {"status", std::to_string(jobStatus)}}));
            else
                view.json(JsonEvent("failed", {{"address", JsonString(addresses[next - 1])},
                                               {"message", JsonString(end.message)},
                                               {"status", std::to_string(jobStatus)}}));
        }
        // The next page once this turn of the event loop is over.
        QTimer::singleShot(0, &app, startNext);
    });

    QTimer ticker;
    ticker.setInterval(1000);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] { guarded([&] { job->tick(); }); });
    QTimer interrupts;
    interrupts.setInterval(100);
    QObject::connect(&interrupts, &QTimer::timeout, &app, [&] {
        const platform::Interruption interruption = platform::TakeInterruption();
        if (interruption == platform::Interruption::None ||
            cancelledBy != platform::Interruption::None)
            return;
        cancelledBy = interruption;
        if (job->busy())
            guarded([&] { job->cancel(); });
    });
    ticker.start();
    interrupts.start();
    QTimer::singleShot(0, &app, startNext);
    QCoreApplication::exec();

    PrintSummary(view, results, status);
    std::fflush(stdout);
    return status;
}
