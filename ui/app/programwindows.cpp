#include "ui/app/programwindows.h"

#include "ui/about/aboutbox.h"
#include "ui/firstrun/codecofferwindow.h"
#include "ui/firstrun/firewallprobewindow.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/progress/progresswindow.h"

namespace clipvane {

ProgramWindows::ProgramWindows()
    : mainWindow(std::make_unique<MainWindow>()),
      progressWindow(std::make_unique<ProgressWindow>()),
      codecOfferWindow(std::make_unique<CodecOfferWindow>(mainWindow.get())),
      firewallProbeWindow(std::make_unique<FirewallProbeWindow>(mainWindow.get())),
      aboutBox(std::make_unique<AboutBox>(mainWindow.get()))
{
    mainWindow->attachWindows(progressWindow.get(), codecOfferWindow.get(),
                              firewallProbeWindow.get(), aboutBox.get());
}

ProgramWindows::~ProgramWindows()
{
    // The others go first: the main window's destruction writes the settings
    // and is the last thing of a run.
    aboutBox.reset();
    firewallProbeWindow.reset();
    codecOfferWindow.reset();
    progressWindow.reset();
    mainWindow.reset();
}

} // namespace clipvane
