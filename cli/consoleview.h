#pragma once

#include "core/job/joboutcome.h"
#include "core/job/jobview.h"
#include "platform/interruptions.h"

#include <cstdio>
#include <functional>
#include <string>

namespace clipvane {

// The job's view on a terminal: one progress line that updates in place (or
// plain lines when the output is not a terminal), messages on stderr, and
// the end of the job remembered for the exit status.
class ConsoleJobView : public JobView
{
public:
    ConsoleJobView(std::string address, std::string outputFolder, bool terminal, std::FILE* out,
                   std::FILE* err);

    std::string address() const override { return m_address; }
    void clearAddress() override { m_address.clear(); }
    std::string outputFolder() const override { return m_outputFolder; }
    bool openWhenDone() const override { return false; }

    void setOperation(const std::string& text) override;
    void repaintOperation() override {}
    void setTitle(const std::string& text) override;
    void setStepGauge(int value) override;
    void setTotalGauge(int value) override;

    void showProgressWindow() override;
    void showMainWindow() override;

    void message(const std::string& text) override;
    void jobEnded(const JobEnd& end) override;

    bool ended() const { return m_ended; }
    // Called once the job has ended: the program need not wait any longer.
    void setEndedHandler(std::function<void()> handler) { m_endedHandler = std::move(handler); }

    // The progress line as it reads now.
    std::string progressLine() const;

private:
    void draw();
    // Plain output: gauge changes are printed once the current turn of the
    // event loop is over, so a tick gives one line, not three.
    void drawLater();

    std::string m_address;
    std::string m_outputFolder;
    bool m_terminal;
    std::FILE* m_out;
    std::FILE* m_err;
    std::string m_operation;
    std::string m_title;
    int m_step = 0;
    int m_total = 0;
    std::string m_drawn;
    bool m_lineOpen = false;
    bool m_drawPending = false;
    bool m_ended = false;
    std::function<void()> m_endedHandler;
};

// The exit status of a job that ended so (0 for a saved file).
int ExitStatusFor(JobOutcome outcome);
// The status of a cancelled job, by what cancelled it: 130 for Ctrl+C and a
// request to end, as a shell shows them; 129 and 141 when the terminal or
// the reader of the output went away.
int CancelledStatus(platform::Interruption cause);

inline constexpr int kExitCancelled = 130;
inline constexpr int kExitAlreadyRunning = 9;
inline constexpr int kExitUsage = 2;

} // namespace clipvane
