#include "cli/consoleview.h"

#include "cli/terminaltext.h"
#include "core/job/progressmath.h"

#include <QTimer>

namespace clipvane {

ConsoleJobView::ConsoleJobView(std::string address, std::string outputFolder, bool terminal,
                               std::FILE* out, std::FILE* err)
    : m_address(std::move(address)), m_outputFolder(std::move(outputFolder)), m_terminal(terminal),
      m_out(out), m_err(err)
{
}

std::string ConsoleJobView::progressLine() const
{
    return m_operation + "  step " + std::to_string(m_step) + "%  total " +
           std::to_string(m_total) + "%";
}

void ConsoleJobView::draw()
{
    if (m_operation.empty() || m_ended)
        return;
    const std::string line = progressLine();
    if (line == m_drawn)
        return;
    m_drawn = line;
    if (m_terminal) {
        // One line, rewritten in place.
        std::fprintf(m_out, "\r%s\033[K", TerminalSafe(line).c_str());
        m_lineOpen = true;
    } else {
        std::fprintf(m_out, "%s\n", TerminalSafe(line).c_str());
    }
    std::fflush(m_out);
}

void ConsoleJobView::drawLater()
{
    if (m_terminal) {
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
    draw();
}

void ConsoleJobView::setTitle(const std::string& text)
{
    if (text == m_title)
        return;
    m_title = text;
    if (m_lineOpen) {
        std::fprintf(m_out, "\n");
        m_lineOpen = false;
    }
    std::fprintf(m_out, "%s\n", TerminalSafe(text).c_str());
    std::fflush(m_out);
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

void ConsoleJobView::showMainWindow() {}

void ConsoleJobView::jobEnded(const JobEnd&)
{
    m_ended = true;
    if (m_endedHandler)
        m_endedHandler();
}

void ConsoleJobView::message(const std::string& text)
{
    if (m_lineOpen) {
        std::fprintf(m_out, "\n");
        m_lineOpen = false;
    }
    std::FILE* to = text == "Done." ? m_out : m_err;
    std::fprintf(to, "%s\n", TerminalSafe(text).c_str());
    std::fflush(to);
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
