#pragma once

#include "core/job/job.h"
#include "core/job/joboutcome.h"
#include "core/job/jobview.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>

namespace clipvane {

class ClipSource;
class ConverterRunner;
class DownloadWorker;

// One job at a time from Start to the AVI in the output folder: the
// resolution phase on the clip source, the download worker, the converter
// and the one-second ticker. It owns the job's variables, the converter
// runner and the clip source.
class JobController
{
public:
    // `converter` is missing when the converter tool could not be installed;
    // Start then refuses with a message.
    JobController(JobView& view, std::unique_ptr<ClipSource> source, JobFolders folders,
                  std::unique_ptr<ConverterRunner> converter);
    ~JobController();
    JobController(const JobController&) = delete;
    JobController& operator=(const JobController&) = delete;

    void start();
    // The end of the download, on the main thread while the worker waits.
    void downloadFinished();
    // The end of the conversion, of a cancelled job too.
    void finishJob();
    void tick();
    void cancel();

    bool busy() const { return m_busy; }
    const Job& current() const { return m_job; }
    const JobFolders& folders() const { return m_folders; }
    // How the latest job ended.
    const JobEnd& lastEnd() const { return m_lastEnd; }
    std::string outputPath() const;

    // The worker of the current download; null once it has ended (it frees
    // itself after its end).
    const DownloadWorker* downloadWorker() const;
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
    class Progress;

    void resolveAndDownload();
    void startDownload(const std::string& streamUrl);
    void startConversion();
    // The converter's output has ended: finish at once rather than at the
    // next tick, once the process is seen gone.
    void conversionMayHaveEnded(int delayMilliseconds, int looksLeft);
    static constexpr int kEndLooks = 50; // 10 ms apart: half a second at most
    void finishConvertedJob();
    // Puts a converted clip that could not be saved aside in the temp folder
    // under a name of its own; returns where it now is.
    std::string keepUnsaved(const std::string& converted) const;
    void setGauges(int step, int total);
    void failJob(JobOutcome outcome, const std::string& message);
    void refuse(JobOutcome outcome, const std::string& message);
    void endJob(JobEnd end);

    JobView& m_view;
    std::unique_ptr<ClipSource> m_source;
    const JobFolders m_folders;
    std::unique_ptr<ConverterRunner> m_converter;
    Job m_job;
    bool m_busy = false;
    JobEnd m_lastEnd;
    QPointer<DownloadWorker> m_worker;
    // Owns the timers of this controller's own calls, which go with it.
    QObject m_calls;
};

} // namespace clipvane
