#pragma once

#include "core/conversion/mediaplan.h"
#include "core/conversion/outputformat.h"
#include "core/download/hlsdownload.h"
#include "core/job/job.h"
#include "core/job/joboutcome.h"
#include "core/job/jobstatus.h"
#include "core/job/jobview.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

namespace clipvane {

class ClipSource;
class ConverterRunner;
class TransferWorker;
class MediaProbe;
class ResolutionWorker;
struct Resolution;
struct ResolvedClip;

// What Start is asked to do.
struct JobRequest
{
    std::string address;      // the page, as the user gave it
    std::string outputFolder; // where the clip goes; ends in "/"
    OutputFormat format = OutputFormat::Avi;
    // The connections an HLS stream is fetched over at once.
    int connections = kDefaultConnections;
};

// One job at a time from Start to the AVI in the output folder: the
// resolution on a thread of its own, the download worker, the converter and
// the one-second ticker. It owns the job's variables, the converter runner
// and the clip source, and tells its view what happens as values. It never
// waits: every phase reports back through the event loop.
class JobController : public QObject
{
    Q_OBJECT
public:
    // `converter` is missing when the converter tool could not be installed;
    // Start then refuses with a message.
    JobController(JobView& view, std::unique_ptr<ClipSource> source, JobFolders folders,
                  std::unique_ptr<ConverterRunner> converter);
    ~JobController() override;
    JobController(const JobController&) = delete;
    JobController& operator=(const JobController&) = delete;

    void start(const JobRequest& request);
    // The one-second ticker: the gauges of the download and the conversion.
    void tick();
    // Stops whatever phase runs; the job then ends as cancelled.
    void cancel();

    bool busy() const { return m_stage != Stage::Idle; }
    const Job& current() const { return m_job; }
    const JobStatus& status() const { return m_status; }
    const JobFolders& folders() const { return m_folders; }
    // How the latest job ended.
    const JobEnd& lastEnd() const { return m_lastEnd; }

    // The worker of the current download; null once it has ended (it frees
    // itself after its end).
    const TransferWorker* downloadWorker() const;
    ConverterRunner* converter() const { return m_converter.get(); }
    // Stops and frees the converter runner: the last thing of a run.
    void releaseConverter();

    static constexpr const char* kFirewallError = "Error: Allow Mirvola by Windows Firewall.";
    static constexpr const char* kLinkError = "Error: Cant get and check video link.";
    static constexpr const char* kDownloadError = "Error: Cant download video file.";
    static constexpr const char* kConvertError = "Error: Cant convert video file.";
    static constexpr const char* kNoConverter =
        "The converter could not be prepared when Clipvane started, so no video can be converted. "
        "Please restart Clipvane.";
    // Clips that could not be moved into the output folder wait in the temp
    // folder under this prefix; nothing deletes them.
    static constexpr const char* kUnsavedPrefix = "unsaved-";

private:
    enum class Stage
    {
        Idle,
        Resolving,
        Downloading,
        Merging,            // a separate sound joins the video (AVI from HLS)
        Probing,            // what the download holds is asked (all formats but AVI)
        StartingConversion, // the converter runs; its description of the clip is awaited
        Converting,
        Verifying, // the converted file is measured against its source
    };

    void resolutionEnded(const Resolution& resolution);
    void startDownload(const ResolvedClip& clip);
    void downloadFinished();
    void startConversion();
    void startAdapter();
    void sourceProbed(const Result<MediaStreams>& streams);
    void conversionDescribed();
    void outputProbed(const Result<MediaStreams>& streams);
    void conversionEnded();
    void finishJob();
    void finishConvertedJob();
    // The converter ended well by its own account: status 0, a file, no
    // complaint of a full disk.
    bool convertedAsItSays() const;
    // Puts a converted clip that could not be saved aside in the temp folder
    // under a name of its own; returns where it now is.
    std::string keepUnsaved(const std::string& converted) const;
    std::string outputPath() const;
    std::string convertedPath() const;

    void publish();
    void setGauges(int step, int total);
    void failJob(JobOutcome outcome, const std::string& message);
    void refuse(JobOutcome outcome, const std::string& message);
    void endJob(JobEnd end);
    // Runs a step the event loop called; what it raises ends the job instead
    // of crossing the loop.
    void guarded(const std::function<void()>& step);

    JobView& m_view;
    std::unique_ptr<ClipSource> m_source;
    std::unique_ptr<ResolutionWorker> m_resolution;
    const JobFolders m_folders;
    std::unique_ptr<ConverterRunner> m_converter;
    std::unique_ptr<MediaProbe> m_probe;
    Stage m_stage = Stage::Idle;
    // The saved file's extension: ".AVI", or what the plan of another
    // format chose; and the source's length, which the result must keep.
    std::string m_extension = ".AVI";
    double m_sourceSeconds = -1;
    bool m_verified = false;
    bool m_separateSound = false;               // the download brought its sound apart: temp.sound
    std::int64_t m_streamMilliseconds = 0;      // of an HLS stream, 0 otherwise
    std::optional<MediaStreams> m_videoStreams; // probed, while the sound is
    Job m_job;
    JobRequest m_request;
    JobStatus m_status;
    GaugeValues m_conversionGauges; // the latest of this conversion's ticks
    JobEnd m_lastEnd;
    QPointer<TransferWorker> m_worker;
};

} // namespace clipvane
