#include "app/startup.h"

#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "firstrun/codecofferwindow.h"
#include "firstrun/firewallprobewindow.h"
#include "job/progresswindow.h"

namespace clipvane {

Windows::Windows()
    : form1(std::make_unique<TForm1>()),
      form2(std::make_unique<TForm2>()),
      form3(std::make_unique<TForm3>(form1.get())),
      form4(std::make_unique<TForm4>(form1.get())),
      aboutForm(std::make_unique<TAboutForm>(form1.get()))
{
    form1->attachWindows(form2.get(), form3.get(), form4.get(), aboutForm.get());
}

Windows::~Windows()
{
    // The others go first: the main window's destruction writes the settings
    // and is the last thing of a run.
    aboutForm.reset();
    form4.reset();
    form3.reset();
    form2.reset();
    form1.reset();
}

} // namespace clipvane
