#include "core/job/jobcontroller.h"

#include "core/base/error.h"
#include "core/conversion/commandline.h"
#include "core/conversion/consoleoutput.h"
#include "core/conversion/converterrunner.h"
#include "core/conversion/toolinstall.h"
#include "core/download/downloadworker.h"
#include "core/download/kilobytes.h"
#include "core/job/progressmath.h"
#include "core/source/clipsource.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shell.h"

#include <QTimer>

namespace clipvane {

// What the user sees while the clip source works on the main thread.
class JobController::Progress : public ResolutionProgress
{
public:
    explicit Progress(JobController& controller) : m_controller(controller) {}

    void connectionChecked() override
    {
        m_controller.m_view.setOperation("Getting information...");
    }
    void linkLookedUp(const std::optional<std::string>& title) override
    {
        if (title)
            m_controller.m_job.title = *title;
        m_controller.m_view.setTitle("title: " + m_controller.m_job.title);
        m_controller.setGauges(50, 15);
    }
    void lengthQueryStarting() override { m_controller.m_view.repaintOperation(); }

private:
    JobController& m_controller;
};

JobController::JobController(JobView& view, std::unique_ptr<ClipSource> source, JobFolders folders,
                             std::unique_ptr<ConverterRunner> converter)
    : m_view(view), m_source(std::move(source)), m_folders(std::move(folders)),
      m_converter(std::move(converter))
{
}

JobController::~JobController() = default;

const DownloadWorker* JobController::downloadWorker() const
{
    return m_worker.data();
}

void JobController::releaseConverter()
{
    m_converter.reset();
}

std::string JobController::outputPath() const
{
    return m_view.outputFolder() + m_job.title + ".AVI";
}

void JobController::setGauges(int step, int total)
{
    m_view.setStepGauge(step);
    m_view.setTotalGauge(total);
}

void JobController::endJob(JobEnd end)
{
    m_busy = false;
    m_lastEnd = std::move(end);
    m_view.jobEnded(m_lastEnd);
}

void JobController::failJob(JobOutcome outcome, const std::string& message)
{
    m_view.message(message);
    m_view.showMainWindow();
    endJob({outcome, message, {}});
}

void JobController::refuse(JobOutcome outcome, const std::string& message)
{
    m_view.message(message);
    m_lastEnd = {outcome, message, {}};
    m_view.jobEnded(m_lastEnd);
}

void JobController::start()
{
    if (m_busy)
        return;
    if (!m_converter) {
        refuse(JobOutcome::NoConverter, kNoConverter);
        return;
    }
    if (!m_folders.tempReady) {
        refuse(JobOutcome::TempFolderUnusable, "The temporary folder \"" + m_folders.temp +
                                                   "\" cannot be used, so no video can be saved. "
                                                   "Please see the message shown at start.");
        return;
    }
    // Only a page that is read replaces the title.
    Job next;
    next.title = m_job.title;
    m_job = next;
    m_busy = true;
    m_view.showProgressWindow();
    setGauges(0, 0);
    m_view.setOperation("Current process.");
    m_view.setTitle("Video Title: <untitled>");
    try {
        resolveAndDownload();
    } catch (const std::exception& e) {
        // Nothing unexpected may leave the user behind a progress window
        // that cannot be closed.
        if (m_busy && !m_job.downloading)
            failJob(JobOutcome::Failed, e.what());
    }
}

void JobController::resolveAndDownload()
{
    Progress progress(*this);
    const Resolution resolution = m_source->resolve(m_view.address(), progress);
    if (resolution.title)
        m_job.title = *resolution.title;
    switch (resolution.failure) {
    case ResolveFailure::NoConnection:
        failJob(JobOutcome::NoConnection, kFirewallError);
        return;
    case ResolveFailure::PlaylistUnreadable:
        failJob(JobOutcome::PlaylistUnreadable, resolution.message);
        return;
    case ResolveFailure::NoVideoLink:
        failJob(JobOutcome::NoVideoLink, kLinkError);
        return;
    case ResolveFailure::NoLength:
    case ResolveFailure::None:
        break;
    }
    m_job.expectedSize = resolution.clip.expectedSize;
    setGauges(100, 30);
    if (m_job.expectedSize == 0) {
        failJob(JobOutcome::DownloadFailed, kDownloadError);
        return;
    }
    startDownload(resolution.clip.streamUrl);
}

void JobController::startDownload(const std::string& streamUrl)
{
    m_view.setStepGauge(0);
    m_view.setOperation("Downloading... (0 of " + std::to_string(m_job.expectedSize) + " b)");
    m_job.downloading = true;

    const std::string file = m_folders.temp + "temp.flv";
    platform::DeleteFile(file);
    auto* worker = new DownloadWorker(streamUrl, file);
    m_worker = worker;
    // What this raises is not shown: it ends the worker's run silently.
    worker->setDoneHandler([this] { downloadFinished(); });
    worker->start();
}

void JobController::downloadFinished()
{
    m_job.downloading = false;
    if (m_job.cancelled) {
        finishJob();
        return;
    }
    // A download that failed or ended short is not converted and called done.
    const DownloadWorker* worker = m_worker.data();
    if (!worker || worker->failed() || worker->bytesShown() < m_job.expectedSize) {
        failJob(JobOutcome::DownloadFailed, kDownloadError);
        return;
    }
    try {
        startConversion();
    } catch (const std::exception& e) {
        if (m_converter)
            m_converter->release();
        m_job.converting = false;
        failJob(JobOutcome::Failed, e.what());
    }
}

void JobController::startConversion()
{
    platform::DeleteFile(m_folders.temp + "temp.avi");
    m_converter->setEndedHandler([this] { conversionMayHaveEnded(0, kEndLooks); });
    m_converter->run(ConverterCommandLine(ShortPath(m_folders.tool), m_folders.temp));
    m_converter->readOutput();
    try {
        m_job.durationSeconds = DurationToSeconds(m_converter->duration());
    } catch (const EConvertError&) {
        // "N/A": the clip converts all the same, only its gauges cannot move.
        m_job.durationSeconds = 0;
    }
    m_view.setOperation("Converting...");
    m_job.converting = true;
}

void JobController::conversionMayHaveEnded(int delayMilliseconds, int looksLeft)
{
    QTimer::singleShot(delayMilliseconds, &m_calls, [this, looksLeft] {
        if (!m_job.converting || !m_converter)
            return;
        m_converter->readOutput();
        if (m_converter->finished())
            finishJob();
        else if (looksLeft > 0)
            conversionMayHaveEnded(10, looksLeft - 1); // its output closes just before it is gone
    });
}

void JobController::tick()
{
    if (m_job.downloading && m_worker) {
        const std::int32_t shown = m_worker->bytesShown();
        const GaugeValues g = DownloadGauges(shown, m_job.expectedSize);
        setGauges(g.step, g.total);
        m_view.setOperation("Downloading... (" + FormatKilobytes(shown) + " of " +
                            FormatKilobytes(m_job.expectedSize) + ")");
    }
    if (m_job.converting && m_converter) {
        if (m_converter->finished()) {
            finishJob();
            return;
        }
        m_converter->readOutput();
        // Ended since the last tick: its closing summary, read now, hides the
        // last time, so the gauges keep theirs until the end.
        if (m_converter->finished()) {
            finishJob();
            return;
        }
        const GaugeValues g = ConversionGauges(m_converter->timeSeconds(), m_job.durationSeconds);
        setGauges(g.step, g.total);
    }
}

void JobController::cancel()
{
    m_job.cancelled = true;
    if (m_job.downloading && m_worker)
        m_worker->requestStop();
    if (m_job.converting && m_converter)
        m_converter->stop();
}

void JobController::finishJob()
{
    if (m_converter && m_converter->finished())
        m_converter->release();
    m_job.title = UniqueOutputTitle(m_view.outputFolder(), m_job.title);
    m_job.converting = false;
    if (!m_job.cancelled) {
        finishConvertedJob();
        return;
    }
    setGauges(100, 100);
    m_view.message("Done.");
    m_view.clearAddress();
    m_view.showMainWindow();
    endJob({JobOutcome::Cancelled, "Done.", {}});
}

std::string JobController::keepUnsaved(const std::string& converted) const
{
    const std::string aside =
        m_folders.temp + UniqueOutputTitle(m_folders.temp, kUnsavedPrefix + m_job.title) + ".AVI";
    return platform::MoveFile(converted, aside).empty() ? aside : converted;
}

void JobController::finishConvertedJob()
{
    const std::string converted = m_folders.temp + "temp.avi";
    const bool convertedWell = m_converter && !m_converter->stoppedByRunner() &&
                               m_converter->exitCode() == 0 && platform::FileExists(converted);
    if (!convertedWell) {
        failJob(JobOutcome::ConversionFailed, kConvertError);
        return;
    }
    const std::string target = outputPath();
    const std::string problem = platform::MoveFile(converted, target);
    if (!problem.empty()) {
        // The converted clip is put aside where the next job will not delete
        // it, so the user can still rescue it.
        const std::string kept = keepUnsaved(converted);
        failJob(JobOutcome::MoveFailed, "Error: Cant move the video file to \"" + target +
                                            "\": " + problem + ". It is kept as \"" + kept + "\".");
        return;
    }
    setGauges(100, 100);
    m_view.message("Done.");
    if (m_view.openWhenDone())
        platform::OpenDocument(target);
    m_view.clearAddress();
    m_view.showMainWindow();
    endJob({JobOutcome::Saved, "Done.", target});
}

} // namespace clipvane
