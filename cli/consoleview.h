#pragma once

#include "core/job/joboutcome.h"
#include "core/job/jobstatus.h"
#include "core/job/jobview.h"
#include "platform/interruptions.h"

#include <QObject>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace clipvane {

// The job's view on a terminal: one progress line that updates in place (or
// plain lines when the output is not a terminal), the end's message on
// stdout when the job is over and on stderr when it failed. With JSON, one
// object a line for each event instead (see kJsonEvents). Every line is made
// here from the job's values; whatever came from outside is written so no
// byte of it acts on the terminal.
class ConsoleJobView : public JobView
{
public:
    enum class Style
    {
        Terminal, // one line, rewritten in place
        Lines,    // a line for each change
        Json,     // a JSON object for each event
    };

    ConsoleJobView(Style style, std::FILE* out, std::FILE* err);

    // The next job of the call: its address, its place among them.
    void beginJob(const std::string& address, std::size_t index, std::size_t count);
    // Called once a job has ended.
    void setEndedHandler(std::function<void(const JobEnd&)> handler)
    {
        m_endedHandler = std::move(handler);
    }

    void jobStarted() override;
    void statusChanged(const JobStatus& status) override;
    void jobEnded(const JobEnd& end) override;

    // An error of the program's own, outside any job's end.
    void report(const std::string& text);
    // A line of the closing summary, or the JSON summary itself.
    void line(const std::string& text);
    void json(const std::string& eventLine);
    Style style() const { return m_style; }

    bool ended() const { return m_ended; }

    // The progress line as it reads now.
    std::string progressLine() const;

private:
    void draw();
    // Plain output: gauge changes are printed once the current turn of the
    // event loop is over, so a tick gives one line, not three.
    void drawLater();
    void endLine();

    Style m_style;
    std::FILE* m_out;
    std::FILE* m_err;
    std::optional<JobStatus> m_status;
    std::string m_drawn;
    bool m_lineOpen = false;
    bool m_drawPending = false;
    bool m_ended = false;
    // Owns the deferred draws, so none runs after this view has gone.
    QObject m_calls;
    std::function<void(const JobEnd&)> m_endedHandler;
};

// What the command line says of a job, in its own words.
std::string OperationText(const JobStatus& status);
std::string TitleText(const JobStatus& status);
std::string EndText(const JobEnd& end);
const char* PhaseName(JobPhase phase);

// The exit status of a job that ended so (0 for a saved file).
int ExitStatusFor(JobOutcome outcome);
// The status of a cancelled job, by what cancelled it: 130 for Ctrl+C and a
// request to end, as a shell shows them; 129 and 141 when the terminal or
// the reader of the output went away.
int CancelledStatus(platform::Interruption cause);

// The events --json writes, for the help text and the README.
extern const char* const kJsonEvents;

inline constexpr int kExitCancelled = 130;
inline constexpr int kExitAlreadyRunning = 9;
inline constexpr int kExitUsage = 2;

} // namespace clipvane
