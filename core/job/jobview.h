#pragma once

#include "core/job/joboutcome.h"

#include <string>

namespace clipvane {

// What the job controller needs of a front end: the main window's fields,
// the progress window's labels and gauges (each change shown at once), the
// switch between the two windows, the one message box, and the end of the
// job. The windows implement it, and so does the command line.
class JobView
{
public:
    virtual ~JobView() = default;

    virtual std::string address() const = 0;
    virtual void clearAddress() = 0;
    virtual std::string outputFolder() const = 0;
    virtual bool openWhenDone() const = 0;

    virtual void setOperation(const std::string& text) = 0;
    virtual void repaintOperation() = 0;
    virtual void setTitle(const std::string& text) = 0;
    virtual void setStepGauge(int value) = 0;
    virtual void setTotalGauge(int value) = 0;

    virtual void showProgressWindow() = 0; // the progress window, then the main window hidden
    virtual void showMainWindow() = 0;     // the main window, then the progress window hidden

    virtual void message(const std::string& text) = 0;

    // The job is over (or was refused at Start); called last, once per Start.
    virtual void jobEnded(const JobEnd& end) = 0;
};

} // namespace clipvane
