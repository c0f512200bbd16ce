#include "platform/folders.h"
#include "support/testenv.h"
#include "ui/about/aboutbox.h"
#include "ui/app/programwindows.h"
#include "ui/firstrun/codecofferwindow.h"
#include "ui/firstrun/firewallprobewindow.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/progress/progresswindow.h"

#include <QFile>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(Startup, MakesAllFiveWindowsHiddenAndWritesTheSettingsLast)
{
    const QString beside = test::NewFolder(QStringLiteral("startup"));
    platform::SetExecutableFolderForTests(QFile::encodeName(beside).toStdString());
    {
        ProgramWindows windows;
        ASSERT_TRUE(windows.mainWindow && windows.progressWindow && windows.codecOfferWindow &&
                    windows.firewallProbeWindow && windows.aboutBox);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 windows.mainWindow.get(), windows.progressWindow.get(),
                 windows.codecOfferWindow.get(), windows.firewallProbeWindow.get(),
                 windows.aboutBox.get()})
            EXPECT_FALSE(w->isVisible()) << w->metaObject()->className();
        EXPECT_FALSE(QFile::exists(beside + QStringLiteral("/set.txt")));
    }
    EXPECT_TRUE(test::ReadFile(beside + QStringLiteral("/set.txt")).ends_with("\r\n"));
}

} // namespace
} // namespace clipvane
