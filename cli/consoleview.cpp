#include "cli/consoleview.h"

#include "cli/jsonevents.h"
#include "cli/terminaltext.h"
#include "core/download/kilobytes.h"
#include "core/job/progressmath.h"

#include <QTimer>

namespace clipvane {

const char* const kJsonEvents =
    "  {\"event\":\"start\",\"address\":A,\"index\":N,\"count\":N}   a job begins (index from 1)\n"
    "  {\"event\":\"title\",\"title\":T}                  the clip's title as the page gave it\n"
    "  {\"event\":\"phase\",\"phase\":P}                  resolving, downloading or converting\n"
    "  {\"event\":\"progress\",\"operation\":T,\"step\":N,\"total\":N,\"bytes\":N}\n"
    "                                               the gauges in percent, bytes downloaded\n"
    "  {\"event\":\"saved\",\"address\":A,\"path\":F,\"format\":W}   the file is in the folder\n"
    "  {\"event\":\"failed\",\"address\":A,\"message\":T,\"status\":N}   the job ended so\n"
    "  {\"event\":\"cancelled\",\"address\":A,\"status\":N}   cancelled, or skipped after a "
    "cancel\n"
    "  {\"event\":\"summary\",\"saved\":N,\"failed\":N,\"cancelled\":N,\"status\":N}\n"
    "Texts are JSON strings; a byte that is no part of valid UTF-8 is \\u00XX.\n";

std::string OperationText(const JobStatus& status)
{
    switch (status.step) {
    case JobStep::Starting:
        return "Current process.";
    case JobStep::LookingUp:
        return "Getting information...";
    case JobStep::DownloadStarting:
        return "Downloading... (" + std::to_string(status.bytesDone.value_or(0)) + " of " +
               std::to_string(status.bytesExpected) + " b)";
    case JobStep::Downloading:
        if (status.bytesExpected <= 0) // a stream that says no length
            return "Downloading... (" + FormatKilobytes(status.bytesDone.value_or(0)) + ")";
        return "Downloading... (" + FormatKilobytes(status.bytesDone.value_or(0)) + " of " +
               FormatKilobytes(status.bytesExpected) + ")";
    case JobStep::Converting:
        return "Converting...";
    }
    return {};
}

std::string TitleText(const JobStatus& status)
{
    return status.title ? "title: " + *status.title : "Video Title: <untitled>";
}

std::string EndText(const JobEnd& end)
{
    if (end.outcome == JobOutcome::Saved || end.outcome == JobOutcome::Cancelled)
        return "Done.";
    return end.message;
}

const char* PhaseName(JobPhase phase)
{
    switch (phase) {
    case JobPhase::Resolving:
        return "resolving";
    case JobPhase::Downloading:
        return "downloading";
    case JobPhase::Converting:
        return "converting";
    }
    return "resolving";
}

ConsoleJobView::ConsoleJobView(Style style, std::FILE* out, std::FILE* err)
    : m_style(style), m_out(out), m_err(err)
{
}

void ConsoleJobView::beginJob(const std::string& address, std::size_t index, std::size_t count)
{
    m_status.reset();
    m_drawn.clear();
    m_ended = false;
    if (m_style == Style::Json)
        json(JsonEvent("start", {{"address", JsonString(address)},
                                 {"index", std::to_string(index + 1)},
                                 {"count", std::to_string(count)}}));
    else if (count > 1)
        line("[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " +
             TerminalSafe(address));
}

std::string ConsoleJobView::progressLine() const
{
    if (!m_status)
        return {};
    return OperationText(*m_status) + "  step " +
           std::to_string(ClampGauge(m_status->gauges.step)) + "%  total " +
           std::to_string(ClampGauge(m_status->gauges.total)) + "%";
}

void ConsoleJobView::endLine()
{
    if (m_lineOpen) {
        std::fprintf(m_out, "\n");
        m_lineOpen = false;
    }
}

void ConsoleJobView::line(const std::string& text)
{
    endLine();
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}

void ConsoleJobView::json(const std::string& eventLine)
{
    std::fprintf(m_out, "%s\n", eventLine.c_str());
    std::fflush(m_out);
}

void ConsoleJobView::draw()
{
    if (!m_status || m_ended)
        return;
    const std::string now = progressLine();
    if (now == m_drawn)
        return;
    m_drawn = now;
    switch (m_style) {
    case Style::Terminal:
        std::fprintf(m_out, "\r%s\033[K", TerminalSafe(now).c_str());
        m_lineOpen = true;
        break;
    case Style::Lines:
        std::fprintf(m_out, "%s\n", TerminalSafe(now).c_str());
        break;
    case Style::Json: {
        const JobStatus& s = *m_status;
        std::fprintf(m_out, "%s\n",
                     JsonEvent("progress", {{"operation", JsonString(OperationText(s))},
                                            {"step", std::to_string(ClampGauge(s.gauges.step))},
                                            {"total", std::to_string(ClampGauge(s.gauges.total))},
                                            {"bytes", s.bytesDone ? std::to_string(*s.bytesDone)
                                                                  : std::string("null")}})
                         .c_str());
        break;
    }
    }
    std::fflush(m_out);
}

void ConsoleJobView::drawLater()
{
    if (m_style == Style::Terminal) {
        draw();
        return;
    }
    if (m_drawPending)
        return;
    m_drawPending = true;
    QTimer::singleShot(0, &m_calls, [this] {
        m_drawPending = false;
        draw();
    });
}

void ConsoleJobView::jobStarted()
{
    m_ended = false;
}

void ConsoleJobView::statusChanged(const JobStatus& status)
{
    const std::optional<JobStatus> before = m_status;
    m_status = status;
    const bool titleChanged = !before || before->title != status.title;
    const bool operationChanged = !before || OperationText(*before) != OperationText(status);
    if (m_style == Style::Json) {
        if (!before || PhaseOf(before->step) != PhaseOf(status.step))
            json(JsonEvent("phase", {{"phase", JsonString(PhaseName(PhaseOf(status.step)))}}));
        // The placeholder before the page has been read is no title.
        if (titleChanged && status.title)
            json(JsonEvent("title", {{"title", JsonString(*status.title)}}));
        drawLater();
        return;
    }
    if (titleChanged) {
        line(TerminalSafe(TitleText(status)));
        m_drawn.clear();
    }
    if (operationChanged)
        draw();
    else
        drawLater();
}

void ConsoleJobView::report(const std::string& text)
{
    endLine();
    std::fprintf(m_err, "%s\n", TerminalSafe(text).c_str());
    std::fflush(m_err);
}

void ConsoleJobView::jobEnded(const JobEnd& end)
{
    m_ended = true;
    if (m_style != Style::Json) {
        const bool over = end.outcome == JobOutcome::Saved || end.outcome == JobOutcome::Cancelled;
        endLine();
        std::FILE* to = over ? m_out : m_err;
        std::fprintf(to, "%s\n", TerminalSafe(EndText(end)).c_str());
        std::fflush(to);
    }
    if (m_endedHandler)
        m_endedHandler(end);
}

int CancelledStatus(platform::Interruption cause)
{
    switch (cause) {
    case platform::Interruption::HangUp:
        return 128 + 1;
    case platform::Interruption::BrokenPipe:
        return 128 + 13;
    default:
        return kExitCancelled;
    }
}

int ExitStatusFor(JobOutcome outcome)
{
    switch (outcome) {
    case JobOutcome::Saved:
        return 0;
    case JobOutcome::Cancelled:
        return kExitCancelled;
    case JobOutcome::NoConnection:
        return 3;
    case JobOutcome::NoVideoLink:
    case JobOutcome::PlaylistUnreadable:
        return 4;
    case JobOutcome::DownloadFailed:
        return 5;
    case JobOutcome::ConversionFailed:
        return 6;
    case JobOutcome::MoveFailed:
        return 7;
    case JobOutcome::NoConverter:
    case JobOutcome::ConverterNotStarted:
        return 8;
    case JobOutcome::CertificateRefused:
        return 10;
    case JobOutcome::LiveStream:
        return 11;
    case JobOutcome::ProtectedStream:
        return 12;
    case JobOutcome::TempFolderUnusable:
    case JobOutcome::Failed:
        return 1;
    }
    return 1;
}

} // namespace clipvane
