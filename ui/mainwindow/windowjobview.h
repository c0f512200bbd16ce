#pragma once

#include "core/job/jobview.h"
#include "ui/progress/progresswording.h"

namespace clipvane {

class MainWindow;
class ProgressWindow;

// The job as the two windows show it: the progress window's labels and
// gauges, worded here from the job's values; at the end the message, the
// file opened when the user asked for it, and the main window back.
class WindowJobView : public JobView
{
public:
    explicit WindowJobView(MainWindow& main) : m_main(main) {}
    void setProgressWindow(ProgressWindow* progress) { m_progress = progress; }
    // Tests reword the window to see that nothing else depends on its words.
    void setWording(ProgressWording wording) { m_wording = std::move(wording); }

    void jobStarted() override;
    void statusChanged(const JobStatus& status) override;
    void jobEnded(const JobEnd& end) override;

private:
    MainWindow& m_main;
    ProgressWindow* m_progress = nullptr;
    ProgressWording m_wording;
};

} // namespace clipvane
