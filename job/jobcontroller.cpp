#include "job/jobcontroller.h"

#include "base/error.h"
#include "conversion/commandline.h"
#include "conversion/mpegconverter.h"
#include "conversion/toolinstall.h"
#include "download/httpthread.h"
#include "download/kilobytes.h"
#include "job/jobstate.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "source/playlist.h"
#include "source/servicehosts.h"
#include "source/streamlookup.h"
#include "source/videopage.h"
#include "source/webfetch.h"

namespace clipvane {

JobController::JobController(JobView& view, TXMLDocument& document) : m_view(view), m_document(document) {}

std::string JobController::OutputPath() const
{
    return m_view.outputFolder() + JobState().VideoTitle + ".AVI";
}

void JobController::SetGauges(int step, int total)
{
    m_view.setStepGauge(step);
    m_view.setTotalGauge(total);
}

void JobController::FailJob(const std::string& message)
{
    m_view.message(message);
    m_view.showMainWindow();
    JobState().Busy = false;
}

void JobController::Start()
{
    TJobState& job = JobState();
    if (job.Busy)
        return;
    if (!m_converter || !job.TempFolderReady) {
        m_view.message(m_converter ? "The temporary folder \"" + job.TempFolder +
                                         "\" cannot be used, so no video can be saved. Please see the message "
                                         "shown at start."
                                   : std::string(kNoConverter));
        return;
    }
    job.Cancelled = false;
    job.Busy = true;
    m_view.showProgressWindow();
    SetGauges(0, 0);
    m_view.setOperation("Current process.");
    m_view.setTitle("Video Title: <untitled>");
    try {
        resolveAndDownload();
    } catch (const std::exception& e) {
        // A playlist the parser rejects must not leave the user behind a
        // progress window that cannot be closed.
        if (job.Busy && !job.Downloading)
            FailJob(e.what());
    }
}

void JobController::resolveAndDownload()
{
    TJobState& job = JobState();
    if (!CheckConnection()) {
        FailJob(kFirewallError);
        return;
    }
    m_view.setOperation("Getting information...");
    const std::string address = m_view.address();
    const std::string clipId = address.empty() ? std::string() : ScrapeVideoPage(address);
    const std::string streamId = clipId.empty() ? std::string() : GetStreamId(SequenceAddress(CurrentHosts(), clipId));
    const std::string flv =
        streamId.empty() ? std::string() : ResolveFlvUrl(m_document, PlaylistAddress(CurrentHosts(), streamId));
    m_view.setTitle("title: " + job.VideoTitle);
    SetGauges(50, 15);
    if (flv.empty()) {
        FailJob(kLinkError);
        return;
    }
    m_view.repaintOperation();
    job.ExpectedSize = GetContentLength(flv);
    SetGauges(100, 30);
    if (job.ExpectedSize == 0) {
        FailJob(kDownloadError);
        return;
    }
    m_view.setStepGauge(0);
    m_view.setOperation("Downloading... (0 of " + std::to_string(job.ExpectedSize) + " b)");
    job.Downloading = true;

    auto* worker = new THTTPThread;
    DownloadThread = worker;
    worker->Url = flv;
    platform::DeleteFile(job.TempFolder + "temp.flv");
    worker->FileName = job.TempFolder + "temp.flv";
    worker->DoneHandler = [this] {
        if (DownloadDoneEntry)
            DownloadDoneEntry();
        else
            DownloadDone();
    };
    worker->start();
}

void JobController::DownloadDone()
{
    TJobState& job = JobState();
    job.Downloading = false;
    if (job.Cancelled) {
        ConvertDone();
        return;
    }
    // A download that failed or ended short is not converted and called done.
    const THTTPThread* worker = DownloadThread.data();
    if (!worker || worker->Failed || worker->BytesShown < job.ExpectedSize) {
        FailJob(kDownloadError);
        return;
    }
    try {
        startConversion();
    } catch (const std::exception& e) {
        if (m_converter)
            m_converter->Release();
        job.Converting = false;
        FailJob(e.what());
    }
}

void JobController::startConversion()
{
    TJobState& job = JobState();
    platform::DeleteFile(job.TempFolder + "temp.avi");
    m_converter->Run(ConverterCommandLine(ShortPath(job.ToolFolder), job.TempFolder));
    m_converter->ReadOutput();
    try {
        job.DurationSeconds = Tmpegconverter::DurationToSeconds(m_converter->GetDuration());
    } catch (const EConvertError&) {
        // "N/A": the clip converts all the same, only its gauges cannot move.
        job.DurationSeconds = 0;
    }
    m_view.setOperation("Converting...");
    job.Converting = true;
}

void JobController::Tick()
{
    TJobState& job = JobState();
    if (job.Downloading && DownloadThread) {
        const std::int32_t shown = DownloadThread->BytesShown;
        const GaugeValues g = DownloadGauges(shown, job.ExpectedSize);
        SetGauges(g.step, g.total);
        m_view.setOperation("Downloading... (" + FormatKilobytes(shown) + " of " + FormatKilobytes(job.ExpectedSize) +
                            ")");
    }
    if (job.Converting && m_converter) {
        if (m_converter->Finished) {
            ConvertDone();
            return;
        }
        m_converter->ReadOutput();
        const GaugeValues g = ConversionGauges(m_converter->GetTime(), job.DurationSeconds);
        SetGauges(g.step, g.total);
    }
}

void JobController::Cancel()
{
    TJobState& job = JobState();
    job.Cancelled = true;
    if (job.Downloading && DownloadThread)
        DownloadThread->StopRequested = 1;
    if (job.Converting && m_converter)
        m_converter->Stop();
}

void JobController::ConvertDone()
{
    TJobState& job = JobState();
    if (m_converter && m_converter->Finished)
        m_converter->Release();
    job.VideoTitle = UniqueOutputTitle(m_view.outputFolder(), job.VideoTitle);
    job.Converting = false;
    if (!job.Cancelled) {
        finishConvertedJob();
        return;
    }
    SetGauges(100, 100);
    m_view.message("Done.");
    m_view.clearAddress();
    m_view.showMainWindow();
    job.Busy = false;
}

void JobController::finishConvertedJob()
{
    TJobState& job = JobState();
    const std::string converted = job.TempFolder + "temp.avi";
    const bool convertedWell = m_converter && !m_converter->StoppedByRunner && m_converter->ExitCode == 0 &&
                               platform::FileExists(converted);
    if (!convertedWell) {
        FailJob(kConvertError);
        return;
    }
    const std::string target = OutputPath();
    const std::string problem = platform::MoveFile(converted, target);
    if (!problem.empty()) {
        // The converted clip stays where it is, so the user can still rescue it.
        FailJob("Error: Cant move the video file to \"" + target + "\": " + problem + ". It is kept as \"" +
                converted + "\".");
        return;
    }
    SetGauges(100, 100);
    m_view.message("Done.");
    if (m_view.openWhenDone())
        platform::OpenDocument(target);
    m_view.clearAddress();
    m_view.showMainWindow();
    job.Busy = false;
}

} // namespace clipvane
