#include "app/jobview.h"

#include "app/mainwindow.h"
#include "base/qtext.h"
#include "gui/messages.h"
#include "job/progresswindow.h"

namespace clipvane {

std::string WindowsJobView::address() const
{
    return m_main.address();
}

void WindowsJobView::clearAddress()
{
    m_main.clearAddress();
}

std::string WindowsJobView::outputFolder() const
{
    return m_main.outputFolder();
}

bool WindowsJobView::openWhenDone() const
{
    return m_main.openWhenDone();
}

void WindowsJobView::setOperation(const std::string& text)
{
    if (m_progress)
        m_progress->setOperation(ToQString(text));
}

void WindowsJobView::repaintOperation()
{
    if (m_progress)
        m_progress->repaintOperation();
}

void WindowsJobView::setTitle(const std::string& text)
{
    if (m_progress)
        m_progress->setTitle(ToQString(text));
}

void WindowsJobView::setStepGauge(int value)
{
    if (m_progress)
        m_progress->setStepGauge(value);
}

void WindowsJobView::setTotalGauge(int value)
{
    if (m_progress)
        m_progress->setTotalGauge(value);
}

void WindowsJobView::showProgressWindow()
{
    if (m_progress)
        m_progress->show();
    m_main.hide();
}

void WindowsJobView::showMainWindow()
{
    m_main.show();
    if (m_progress)
        m_progress->hide();
}

void WindowsJobView::message(const std::string& text)
{
    ShowMessage(text);
}

} // namespace clipvane
