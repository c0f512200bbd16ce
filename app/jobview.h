#pragma once

#include "job/jobcontroller.h"

namespace clipvane {

class TForm1;
class TForm2;

// The job's view of the two windows: the main window's fields, the progress
// window's labels and gauges, and the switch between them.
class WindowsJobView : public JobView
{
public:
    explicit WindowsJobView(TForm1& main) : m_main(main) {}
    void setProgressWindow(TForm2* progress) { m_progress = progress; }

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

private:
    TForm1& m_main;
    TForm2* m_progress = nullptr;
};

} // namespace clipvane
