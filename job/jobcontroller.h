#pragma once

#include "job/progressmath.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>

namespace clipvane {

class THTTPThread;
class Tmpegconverter;
class TXMLDocument;

// What the controller needs of the windows: the main window's fields, the
// progress window's labels and gauges (each change shown at once), the
// switch between the two windows and the one message box.
class JobView
{
public:
    virtual ~JobView() = default;

    virtual std::string address() const = 0;
    virtual void clearAddress() = 0;
    virtual std::string outputFolder() const = 0;
    virtual bool openWhenDone() const = 0;

    virtual void setOperation(const std::string& text) = 0;
    virtual void repaintOperation() = 0;
    virtual void setTitle(const std::string& text) = 0;
    virtual void setStepGauge(int value) = 0;
    virtual void setTotalGauge(int value) = 0;

    virtual void showProgressWindow() = 0; // the progress window, then the main window hidden
    virtual void showMainWindow() = 0;     // the main window, then the progress window hidden

    virtual void message(const std::string& text) = 0;
};

// One job from Start to the AVI in the output folder: the resolution phase,
// the download worker, the converter and the one-second ticker.
class JobController
{
public:
    JobController(JobView& view, TXMLDocument& document);

    // The converter is made with the main window; it may be missing when
    // that failed.
    void setConverter(Tmpegconverter* converter) { m_converter = converter; }

    void Start();
    void DownloadDone();
    void ConvertDone();
    void Tick();
    void Cancel();

    void FailJob(const std::string& message);
    void SetGauges(int step, int total);
    std::string OutputPath() const;

    // The worker of the current download; not followed once Downloading is
    // clear (it frees itself after its end).
    QPointer<THTTPThread> DownloadThread;
    // The window's own DownloadDone, which runs the controller's inside the
    // handler guard; the controller's own when empty.
    std::function<void()> DownloadDoneEntry;

    static constexpr const char* kFirewallError = "Error: Allow Mirvola by Windows Firewall.";
    static constexpr const char* kLinkError = "Error: Cant get and check video link.";
    static constexpr const char* kDownloadError = "Error: Cant download video file.";
    static constexpr const char* kConvertError = "Error: Cant convert video file.";
    static constexpr const char* kNoConverter =
        "The converter could not be prepared when Clipvane started, so no video can be converted. "
        "Please restart Clipvane.";

private:
    void resolveAndDownload();
    void startConversion();
    void finishConvertedJob();

    JobView& m_view;
    TXMLDocument& m_document;
    Tmpegconverter* m_converter = nullptr;
    bool m_downloadFailed = false;
};

} // namespace clipvane
