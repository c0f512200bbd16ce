#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "firstrun/codecofferwindow.h"
#include "firstrun/firewallprobewindow.h"
#include "job/progresswindow.h"
#include "platform/folders.h"
#include "support/testenv.h"

#include <QFile>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

TEST(Startup, MakesAllFiveWindowsHiddenAndWritesTheSettingsLast)
{
    const QString beside = test::NewFolder(QStringLiteral("startup"));
    platform::SetExecutableFolderForTests(QFile::encodeName(beside).toStdString());
    {
        Windows windows;
        ASSERT_TRUE(windows.form1 && windows.form2 && windows.form3 && windows.form4 && windows.aboutForm);
        for (QWidget* w : std::initializer_list<QWidget*>{windows.form1.get(), windows.form2.get(), windows.form3.get(),
                                                         windows.form4.get(), windows.aboutForm.get()})
            EXPECT_FALSE(w->isVisible()) << w->metaObject()->className();
        EXPECT_FALSE(QFile::exists(beside + QStringLiteral("/set.txt")));
    }
    EXPECT_TRUE(test::ReadFile(beside + QStringLiteral("/set.txt")).ends_with("\r\n"));
}

} // namespace
} // namespace clipvane
