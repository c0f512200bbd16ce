#include "core/job/jobcontroller.h"

#include "core/base/error.h"
#include "core/conversion/commandline.h"
#include "core/conversion/consoleoutput.h"
#include "core/conversion/converterrunner.h"
#include "core/conversion/mediaprobe.h"
#include "core/conversion/toolinstall.h"
#include "core/download/downloadworker.h"
#include "core/download/hlsdownload.h"
#include "core/job/progressmath.h"
#include "core/settings/preferences.h"
#include "core/source/clipsource.h"
#include "core/source/resolutionworker.h"
#include "platform/files.h"
#include "platform/folders.h"

#include <algorithm>

namespace clipvane {

namespace {

// A full disk is said beside the job's own message, so that the user looks
// at the disk and not at the network or the clip.
std::string WithDiskProblem(const std::string& message, const std::optional<Failure>& failure)
{
    if (failure && platform::IsDiskFull(*failure))
        return message + " " + platform::ErrorText(failure->errorNumber) + ".";
    return message;
}

} // namespace

JobController::JobController(JobView& view, std::unique_ptr<ClipSource> source, JobFolders folders,
                             std::unique_ptr<ConverterRunner> converter)
    : m_view(view), m_source(std::move(source)),
      m_resolution(std::make_unique<ResolutionWorker>(*m_source)), m_folders(std::move(folders)),
      m_converter(std::move(converter)), m_probe(std::make_unique<MediaProbe>())
{
    connect(m_probe.get(), &MediaProbe::probed, this, [this](const Result<MediaStreams>& streams) {
        guarded([this, &streams] {
            if (m_stage == Stage::Probing)
                sourceProbed(streams);
            else if (m_stage == Stage::Verifying)
                outputProbed(streams);
        });
    });
    connect(m_resolution.get(), &ResolutionWorker::connectionChecked, this, [this] {
        m_status.step = JobStep::LookingUp;
        publish();
    });
    connect(m_resolution.get(), &ResolutionWorker::linkLookedUp, this,
            [this](const std::optional<std::string>& title) {
                // Only a page that was read replaces the title.
                if (title)
                    m_job.title = *title;
                m_status.title = m_job.title;
                setGauges(50, 15);
            });
    connect(m_resolution.get(), &ResolutionWorker::resolved, this,
            [this](const Resolution& resolution) {
                guarded([this, &resolution] { resolutionEnded(resolution); });
            });
    if (m_converter) {
        connect(m_converter.get(), &ConverterRunner::inputDescribed, this,
                [this] { guarded([this] { conversionDescribed(); }); });
        connect(m_converter.get(), &ConverterRunner::ended, this,
                [this] { guarded([this] { conversionEnded(); }); });
        connect(m_converter.get(), &ConverterRunner::failedToStart, this,
                [this](const std::string& message) {
                    if (m_stage == Stage::StartingConversion)
                        failJob(JobOutcome::ConverterNotStarted, message);
                });
    }
}

JobController::~JobController() = default;

const TransferWorker* JobController::downloadWorker() const
{
    return m_worker.data();
}

void JobController::releaseConverter()
{
    m_converter.reset();
}

std::string JobController::outputPath() const
{
    return m_request.outputFolder + m_job.title + m_extension;
}

std::string JobController::convertedPath() const
{
    return m_folders.temp + "temp" + (m_request.format == OutputFormat::Avi ? ".avi" : m_extension);
}

void JobController::publish()
{
    m_view.statusChanged(m_status);
}

void JobController::setGauges(int step, int total)
{
    m_status.gauges = {step, total};
    publish();
}

void JobController::guarded(const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& e) {
        // Nothing unexpected may leave the user behind a progress window
        // that cannot be closed.
        if (busy()) {
            if (m_converter)
                m_converter->stop();
            failJob(JobOutcome::Failed, e.what());
        }
    }
}

void JobController::endJob(JobEnd end)
{
    m_stage = Stage::Idle;
    m_job.downloading = m_job.converting = false;
    m_lastEnd = std::move(end);
    m_view.jobEnded(m_lastEnd);
}

void JobController::failJob(JobOutcome outcome, const std::string& message)
{
    endJob({outcome, message, {}});
}

void JobController::refuse(JobOutcome outcome, const std::string& message)
{
    m_lastEnd = {outcome, message, {}};
    m_view.jobEnded(m_lastEnd);
}

void JobController::start(const JobRequest& request)
{
    if (busy())
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
    m_request = request;
    m_extension = request.format == OutputFormat::Avi ? ".AVI" : ".mp4";
    m_sourceSeconds = -1;
    m_verified = false;
    m_status = {};
    m_stage = Stage::Resolving;
    m_view.jobStarted();
    publish();
    m_resolution->start(request.address);
}

void JobController::resolutionEnded(const Resolution& resolution)
{
    if (m_stage != Stage::Resolving)
        return;
    if (m_job.cancelled) {
        finishJob();
        return;
    }
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
    case ResolveFailure::Unexpected:
        failJob(JobOutcome::Failed, resolution.message);
        return;
    case ResolveFailure::CertificateRefused:
        failJob(JobOutcome::CertificateRefused, resolution.message);
        return;
    case ResolveFailure::LiveStream:
        failJob(JobOutcome::LiveStream, resolution.message);
        return;
    case ResolveFailure::ProtectedStream:
        failJob(JobOutcome::ProtectedStream, resolution.message);
        return;
    case ResolveFailure::NoLength:
    case ResolveFailure::None:
        break;
    }
    m_job.expectedSize = resolution.clip.expectedSize;
    setGauges(100, 30);
    // The service always announced a length; a stream of today's web need not.
    if (m_job.expectedSize == 0 && !resolution.clip.lengthOptional) {
        failJob(JobOutcome::DownloadFailed, kDownloadError);
        return;
    }
    startDownload(resolution.clip);
}

void JobController::startDownload(const ResolvedClip& clip)
{
    m_stage = Stage::Downloading;
    m_job.downloading = true;
    m_status.step = JobStep::DownloadStarting;
    m_status.gauges.step = 0;
    m_status.bytesDone = 0;
    m_status.bytesExpected = m_job.expectedSize;
    publish();

    const std::string file = m_folders.temp + "temp.flv";
    const std::string sound = m_folders.temp + "temp.sound";
    platform::DeleteFile(file);
    platform::DeleteFile(sound);
    m_separateSound = false;
    m_streamMilliseconds = 0;
    TransferWorker* worker = nullptr;
    if (clip.hls) {
        HlsPlan plan;
        plan.tracks.push_back({clip.hls->video, file});
        if (clip.hls->sound) {
            plan.tracks.push_back({*clip.hls->sound, sound});
            m_separateSound = true;
        }
        plan.request = clip.request;
        plan.connections = m_request.connections;
        auto* hls = new HlsDownloadWorker(std::move(plan));
        m_streamMilliseconds = hls->totalMilliseconds();
        worker = hls;
    } else {
        DownloadLimits limits;
        limits.expectedSize = m_job.expectedSize;
        limits.unknownLengthCeiling = Preferences().unknownLengthCeiling();
        limits.request = clip.request;
        worker = new DownloadWorker(clip.streamUrl, file, limits);
    }
    m_worker = worker;
    // What this raises is not shown: it ends the worker's run silently.
    worker->setDoneHandler([this] { downloadFinished(); });
    worker->start();
}

void JobController::downloadFinished()
{
    m_job.downloading = false;
    m_status.bytesDone.reset();
    if (m_job.cancelled) {
        finishJob();
        return;
    }
    // A download that failed or ended short is not converted and called done.
    const TransferWorker* worker = m_worker.data();
    if (!worker || worker->failed() || worker->bytesShown() < m_job.expectedSize) {
        failJob(JobOutcome::DownloadFailed,
                WithDiskProblem(kDownloadError, worker ? worker->failure() : std::nullopt));
        return;
    }
    guarded([this] { startConversion(); });
}

void JobController::startConversion()
{
    const std::string video = m_folders.temp + "temp.flv";
    if (m_request.format == OutputFormat::Avi && m_separateSound) {
        // The converter takes one file: the sound joins the video first,
        // neither re-encoded, in a container that holds any streams.
        m_stage = Stage::Merging;
        const std::string merged = m_folders.temp + "temp.merged";
        platform::DeleteFile(merged);
        m_converter->startWithProgress("ffmpeg", {"-nostdin",
                                                  "-hide_banner",
                                                  "-v",
                                                  "error",
                                                  "-nostats",
                                                  "-progress",
                                                  "pipe:1",
                                                  "-y",
                                                  "-i",
                                                  FfmpegFileUrl(video),
                                                  "-i",
                                                  FfmpegFileUrl(m_folders.temp + "temp.sound"),
                                                  "-map",
                                                  "0:v:0",
                                                  "-map",
                                                  "1:a:0",
                                                  "-c",
                                                  "copy",
                                                  "-f",
                                                  "matroska",
                                                  FfmpegFileUrl(merged)});
        return;
    }
    if (m_request.format == OutputFormat::Avi) {
        startAdapter();
        return;
    }
    // The other formats depend on what the download holds.
    m_stage = Stage::Probing;
    m_videoStreams.reset();
    m_probe->start(video);
}

void JobController::startAdapter()
{
    platform::DeleteFile(m_folders.temp + "temp.avi");
    m_stage = Stage::StartingConversion;
    m_converter->start(ConverterCommandLine(ShortPath(m_folders.tool), m_folders.temp));
}

void JobController::sourceProbed(const Result<MediaStreams>& streams)
{
    if (!streams) {
        failJob(JobOutcome::ConversionFailed, kConvertError);
        return;
    }
    if (m_separateSound && !m_videoStreams) {
        m_videoStreams = streams.value();
        m_probe->start(m_folders.temp + "temp.sound");
        return;
    }
    const MediaStreams& source = m_videoStreams ? *m_videoStreams : streams.value();
    const MediaStreams* sound = m_videoStreams ? &streams.value() : nullptr;
    const Result<ConversionPlan> plan = PlanConversion(m_request.format, source, sound);
    if (!plan) {
        failJob(JobOutcome::ConversionFailed, kConvertError);
        return;
    }
    m_extension = plan.value().extension;
    m_sourceSeconds = source.seconds;
    platform::DeleteFile(convertedPath());
    m_stage = Stage::StartingConversion;
    std::vector<std::string> inputs = {m_folders.temp + "temp.flv"};
    if (sound)
        inputs.push_back(m_folders.temp + "temp.sound");
    m_converter->startWithProgress("ffmpeg",
                                   FfmpegArguments(inputs, plan.value(), convertedPath()));
}

void JobController::outputProbed(const Result<MediaStreams>& streams)
{
    m_verified = streams && LastsAsLong(streams.value().seconds, m_sourceSeconds);
    finishJob();
}

void JobController::conversionDescribed()
{
    if (m_stage != Stage::StartingConversion)
        return;
    if (m_request.format != OutputFormat::Avi) {
        m_job.durationSeconds =
            m_sourceSeconds > 0 ? static_cast<std::int32_t>(std::min(m_sourceSeconds, 1e9)) : 0;
    } else {
        try {
            m_job.durationSeconds = DurationToSeconds(m_converter->duration());
        } catch (const ConvertError&) {
            // "N/A": the clip converts all the same, only its gauges cannot move.
            m_job.durationSeconds = 0;
        }
    }
    m_stage = Stage::Converting;
    m_job.converting = true;
    m_conversionGauges = {};
    if (m_job.cancelled)
        return;
    m_status.step = JobStep::Converting;
    publish();
}

void JobController::conversionEnded()
{
    if (m_stage == Stage::Merging) {
        if (m_job.cancelled) {
            finishJob();
            return;
        }
        const std::string merged = m_folders.temp + "temp.merged";
        if (m_converter->exitCode() != 0 || m_converter->stoppedByRunner() ||
            !platform::ReplaceFileWith(merged, m_folders.temp + "temp.flv").ok()) {
            failJob(JobOutcome::ConversionFailed, kConvertError);
            return;
        }
        startAdapter();
        return;
    }
    if (m_stage != Stage::Converting && m_stage != Stage::StartingConversion)
        return;
    // A file that ffmpeg says it wrote is measured before it is called done:
    // by ffmpeg's own count of the clip's time it wrote when that reaches the
    // source's end, else by reading the file.
    if (m_request.format != OutputFormat::Avi && !m_job.cancelled && convertedAsItSays()) {
        if (m_sourceSeconds > 0 && LastsAsLong(m_converter->timeSeconds(), m_sourceSeconds)) {
            m_verified = true;
            finishJob();
            return;
        }
        m_stage = Stage::Verifying;
        m_probe->start(convertedPath());
        return;
    }
    finishJob();
}

void JobController::tick()
{
    if (m_stage == Stage::Downloading && m_job.downloading && m_worker) {
        const std::int64_t shown = m_worker->bytesShown();
        // An HLS stream goes by the clip's time, whose whole it knows.
        const GaugeValues g =
            m_streamMilliseconds > 0
                ? DownloadGauges(m_worker->millisecondsShown(), m_streamMilliseconds)
            : m_job.expectedSize > 0 ? DownloadGauges(shown, m_job.expectedSize)
                                     : DownloadGaugesWithoutLength(shown);
        m_status.step = JobStep::Downloading;
        m_status.bytesDone = shown;
        setGauges(g.step, g.total);
    }
    if (m_stage == Stage::Converting && m_converter) {
        // Ended and not yet told: its closing summary hides the last time,
        // so the gauges keep theirs until the end.
        if (m_converter->finished())
            return;
        GaugeValues g = ConversionGauges(m_converter->timeSeconds(), m_job.durationSeconds);
        // The encoded time only grows; a line that hides it (the closing
        // summary, read a moment before the end is) must not pull the gauges
        // back for a tick.
        if (g.total < m_conversionGauges.total)
            g = m_conversionGauges;
        m_conversionGauges = g;
        setGauges(g.step, g.total);
    }
}

void JobController::cancel()
{
    m_job.cancelled = true;
    switch (m_stage) {
    case Stage::Resolving:
        m_resolution->stop();
        break;
    case Stage::Downloading:
        if (m_worker)
            m_worker->requestStop();
        break;
    case Stage::Merging:
    case Stage::StartingConversion:
    case Stage::Converting:
        if (m_converter)
            m_converter->stop();
        break;
    case Stage::Probing:
    case Stage::Verifying:
        m_probe->stop();
        finishJob();
        break;
    case Stage::Idle:
        break;
    }
}

void JobController::finishJob()
{
    m_stage = Stage::Idle;
    m_job.title = UniqueOutputTitle(m_request.outputFolder, m_job.title, m_extension);
    m_job.converting = false;
    if (!m_job.cancelled) {
        finishConvertedJob();
        return;
    }
    setGauges(100, 100);
    endJob({JobOutcome::Cancelled, {}, {}});
}

std::string JobController::keepUnsaved(const std::string& converted) const
{
    const std::string aside =
        m_folders.temp +
        UniqueOutputTitle(m_folders.temp, kUnsavedPrefix + m_job.title, m_extension) + m_extension;
    return platform::MoveFile(converted, aside).ok() ? aside : converted;
}

bool JobController::convertedAsItSays() const
{
    return m_converter && !m_converter->stoppedByRunner() && m_converter->exitCode() == 0 &&
           platform::FileExists(convertedPath()) &&
           m_converter->output().find(platform::DiskFullText()) == std::string::npos;
}

void JobController::finishConvertedJob()
{
    const std::string converted = convertedPath();
    const bool convertedWell =
        convertedAsItSays() && (m_request.format == OutputFormat::Avi || m_verified);
    if (!convertedWell) {
        // The converter says when the disk filled while it wrote.
        const bool diskFull = m_converter && m_converter->output().find(platform::DiskFullText()) !=
                                                 std::string::npos;
        failJob(JobOutcome::ConversionFailed,
                diskFull ? std::string(kConvertError) + " " + platform::DiskFullText() + "."
                         : std::string(kConvertError));
        return;
    }
    const std::string target = outputPath();
    if (const Status moved = platform::MoveFile(converted, target); !moved) {
        // The converted clip is put aside where the next job will not delete
        // it, so the user can still rescue it.
        const std::string kept = keepUnsaved(converted);
        failJob(JobOutcome::MoveFailed, "Error: Cant move the video file to \"" + target +
                                            "\": " + moved.failure().text + ". It is kept as \"" +
                                            kept + "\".");
        return;
    }
    setGauges(100, 100);
    endJob({JobOutcome::Saved, {}, target});
}

} // namespace clipvane
