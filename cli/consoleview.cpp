#include "cli/consoleview.h"

#include "cli/jsonevents.h"
#include "cli/terminaltext.h"
#include "core/job/progressmath.h"

#include <QTimer>

namespace clipvane {

const char* const kJsonEvents =
    "  {\"event\":\"start\",\"address\":A,\"index\":N,\"count\":N}   a job begins (index from 1)\n"
    "  {\"event\":\"title\",\"title\":T}                  the clip's title as the page gave it\n"
    "  {\"event\":\"phase\",\"phase\":P}                  resolving, downloading or converting\n"
    "  {\"event\":\"progress\",\"operation\":T,\"step\":N,\"total\":N,\"bytes\":N}\n"
    "                                               the gauges in percent, bytes downloaded\n"
    "  {\"event\":\"saved\",\"address\":A,\"path\":F}       the AVI file is in the folder\n"
    "  {\"event\":\"failed\",\"address\":A,\"message\":T,\"status\":N}   the job ended so\n"
    "  {\"event\":\"cancelled\",\"address\":A,\"status\":N}   cancelled, or skipped after a "
    "cancel\n"
    "  {\"event\":\"summary\",\"saved\":N,\"failed\":N,\"cancelled\":N,\"status\":N}\n"
    "Texts are JSON strings; a byte that is no part of valid UTF-8 is \\u00XX.\n";

namespace {

// The phase an operation text belongs to, for the JSON phase events.
std::string phaseOf(const std::string& operation)
{
    if (operation.rfind("Downloading", 0) == 0)
        return "downloading";
    if (operation.rfind("Converting", 0) == 0)
        return "converting";
    return "resolving";
}

} // namespace

ConsoleJobView::ConsoleJobView(std::string outputFolder, Style style, std::FILE* out,
                               std::FILE* err)
    : m_outputFolder(std::move(outputFolder)), m_style(style), m_out(out), m_err(err)
{
}

void ConsoleJobView::beginJob(const std::string& address, std::size_t index, std::size_t count)
{
    m_address = address;
    m_operation.clear();
    m_phase.clear();
    m_title.clear();
    m_drawn.clear();
    m_step = m_total = 0;
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
    return m_operation + "  step " + std::to_string(m_step) + "%  total " +
           std::to_string(m_total) + "%";
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
    if (m_operation.empty() || m_ended)
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
        const std::int64_t bytes = m_bytes ? m_bytes() : -1;
        std::fprintf(m_out, "%s\n",
                     JsonEvent("progress", {{"operation", JsonString(m_operation)},
                                            {"step", std::to_string(m_step)},
                                            {"total", std::to_string(m_total)},
                                            {"bytes", bytes >= 0 ? std::to_string(bytes) : "null"}})
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
    QTimer::singleShot(0, [this] {
        m_drawPending = false;
        draw();
    });
}

void ConsoleJobView::setOperation(const std::string& text)
{
    m_operation = text;
    if (m_style == Style::Json) {
        const std::string phase = phaseOf(text);
        if (phase != m_phase) {
            m_phase = phase;
            json(JsonEvent("phase", {{"phase", JsonString(phase)}}));
        }
        drawLater();
        return;
    }
    draw();
}

void ConsoleJobView::setTitle(const std::string& text)
{
    if (text == m_title)
        return;
    m_title = text;
    if (m_style == Style::Json) {
        // The placeholder before the page has been read is no title.
        const std::string prefix = "title: ";
        if (text.rfind(prefix, 0) == 0)
            json(JsonEvent("title", {{"title", JsonString(text.substr(prefix.size()))}}));
        return;
    }
    line(TerminalSafe(text));
    m_drawn.clear();
}

void ConsoleJobView::setStepGauge(int value)
{
    m_step = ClampGauge(value);
    drawLater();
}

void ConsoleJobView::setTotalGauge(int value)
{
    m_total = ClampGauge(value);
    drawLater();
}

void ConsoleJobView::showProgressWindow()
{
    m_ended = false;
}

void ConsoleJobView::message(const std::string& text)
{
    // Said when the job's end is known: where it goes depends on that.
    m_pendingMessage = text;
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
    const std::string text = m_pendingMessage.empty() ? end.message : m_pendingMessage;
    m_pendingMessage.clear();
    if (m_style != Style::Json) {
        const bool over = end.outcome == JobOutcome::Saved || end.outcome == JobOutcome::Cancelled;
        endLine();
        std::FILE* to = over ? m_out : m_err;
        std::fprintf(to, "%s\n", TerminalSafe(text).c_str());
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
        return 8;
    case JobOutcome::TempFolderUnusable:
    case JobOutcome::Failed:
        return 1;
    }
    return 1;
}

} // namespace clipvane
