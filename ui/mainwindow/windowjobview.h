#pragma once

#include "core/job/jobview.h"

namespace clipvane {

class MainWindow;
class ProgressWindow;

// The job's view of the two windows: the main window's fields, the progress
// window's labels and gauges, and the switch between them.
class WindowJobView : public JobView
{
public:
    explicit WindowJobView(MainWindow& main) : m_main(main) {}
    void setProgressWindow(ProgressWindow* progress) { m_progress = progress; }

    std::string address() const override;
    void clearAddress() override;
    std::string outputFolder() const override;
    bool openWhenDone() const override;

    void setOperation(const std::string& text) override;
    void repaintOperation() override;
    void setTitle(const std::string& text) override;
    void setStepGauge(int value) override;
    void setTotalGauge(int value) override;

    void showProgressWindow() override;
    void showMainWindow() override;

    void message(const std::string& text) override;
    // The message box has said everything already.
    void jobEnded(const JobEnd&) override {}

private:
    MainWindow& m_main;
    ProgressWindow* m_progress = nullptr;
};

} // namespace clipvane
