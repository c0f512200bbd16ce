#include "ui/mainwindow/windowjobview.h"

#include "core/base/qtext.h"
#include "platform/shell.h"
#include "ui/common/messages.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/progress/progresswindow.h"

#include <QCoreApplication>

namespace clipvane {

void WindowJobView::jobStarted()
{
    if (m_progress) {
        m_progress->show();
        m_progress->raise();
    }
    m_main.hide();
}

void WindowJobView::statusChanged(const JobStatus& status)
{
    if (!m_progress)
        return;
    m_progress->setStepGauge(status.gauges.step);
    m_progress->setTotalGauge(status.gauges.total);
    m_progress->setOperation(ToQString(m_wording.operation(status)));
    m_progress->setTitle(ToQString(m_wording.title(status)));
}

void WindowJobView::jobEnded(const JobEnd& end)
{
    ShowMessage(m_wording.endMessage(end));
    if (end.outcome == JobOutcome::ConverterNotStarted) {
        // Without its converter the program cannot do what it is for.
        QCoreApplication::exit(1);
        return;
    }
    if (end.outcome == JobOutcome::Saved && m_main.openWhenDone())
        platform::OpenDocument(end.savedPath);
    if (end.outcome == JobOutcome::Saved || end.outcome == JobOutcome::Cancelled)
        m_main.clearAddress();
    if (WasRefusedAtStart(end.outcome))
        return;
    m_main.show();
    if (m_progress)
        m_progress->hide();
}

} // namespace clipvane
