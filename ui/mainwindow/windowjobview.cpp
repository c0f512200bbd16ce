#include "ui/mainwindow/windowjobview.h"

#include "core/base/qtext.h"
#include "ui/common/messages.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/progress/progresswindow.h"

namespace clipvane {

std::string WindowJobView::address() const
{
    return m_main.address();
}

void WindowJobView::clearAddress()
{
    m_main.clearAddress();
}

std::string WindowJobView::outputFolder() const
{
    return m_main.outputFolder();
}

bool WindowJobView::openWhenDone() const
{
    return m_main.openWhenDone();
}

void WindowJobView::setOperation(const std::string& text)
{
    if (m_progress)
        m_progress->setOperation(ToQString(text));
}

void WindowJobView::repaintOperation()
{
    if (m_progress)
        m_progress->repaintOperation();
}

void WindowJobView::setTitle(const std::string& text)
{
    if (m_progress)
        m_progress->setTitle(ToQString(text));
}

void WindowJobView::setStepGauge(int value)
{
    if (m_progress)
        m_progress->setStepGauge(value);
}

void WindowJobView::setTotalGauge(int value)
{
    if (m_progress)
        m_progress->setTotalGauge(value);
}

void WindowJobView::showProgressWindow()
{
    if (m_progress)
        m_progress->showPainted();
    m_main.hide();
}

void WindowJobView::showMainWindow()
{
    m_main.show();
    if (m_progress)
        m_progress->hide();
}

void WindowJobView::message(const std::string& text)
{
    ShowMessage(text);
}

} // namespace clipvane
