#include "core/base/error.h"
#include "core/firstrun/firstrunsteps.h"
#include "platform/folders.h"
#include "support/testenv.h"
#include "ui/app/programwindows.h"
#include "ui/common/messages.h"
#include "ui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace clipvane {
namespace {

class Recorder : public FirstRunHost
{
public:
    void hideMainWindow() override { steps.push_back("hide"); }
    void showMainWindow() override { steps.push_back("show"); }
    void showFirewallWindow() override { steps.push_back("firewall"); }
    void showCodecWindow() override { steps.push_back("codec"); }
    std::vector<std::string> steps;
};

TEST(FirstRun, OrderTable)
{
    using Steps = std::vector<std::string>;
    const Steps both = {"hide", "firewall", "show", "hide", "codec", "show"};
    struct Case
    {
        const char* name;
        std::vector<std::pair<std::string, std::string>> present; // marker, content
        Steps expected;
    };
    const Case cases[] = {
        {"no markers", {}, both},
        {"only done.txt", {{"done.txt", "Done\r\n"}}, {"hide", "firewall", "show"}},
        {"only done2.txt", {{"done2.txt", "Done\r\n"}}, {"hide", "codec", "show"}},
        {"both", {{"done.txt", "Done\r\n"}, {"done2.txt", "Done\r\n"}}, {}},
        {"empty done.txt counts", {{"done.txt", ""}, {"done2.txt", "x"}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = test::NewFolder(QStringLiteral("firstrun"));
        for (const auto& [name, content] : c.present)
            test::WriteFile(folder + QLatin1Char('/') + QString::fromStdString(name), content);
        Recorder host;
        RunFirstRunWindows(QFile::encodeName(folder).toStdString() + "/", host);
        EXPECT_EQ(host.steps, c.expected);
        for (const char* marker : {"done.txt", "done2.txt"}) {
            const std::string content =
                test::ReadFile(folder + QLatin1Char('/') + QString::fromLatin1(marker));
            bool wasPresent = false;
            for (const auto& [name, old] : c.present)
                wasPresent = wasPresent || name == marker;
            if (!wasPresent) {
                EXPECT_EQ(content, "Done\r\n") << marker;
            }
        }
    }
}

TEST(FirstRun, UnwritableMarkerIsReportedAndTheRestSkipped)
{
    const std::string folder =
        QFile::encodeName(test::NewFolder(QStringLiteral("firstrun"))).toStdString() + "/gone/";
    Recorder host;
    try {
        RunFirstRunWindows(folder, host);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"" + folder + "done2.txt\". No such file or directory");
    }
    EXPECT_EQ(host.steps, (std::vector<std::string>{"hide", "firewall", "show"}))
        << "the codec window is skipped";
}

// The real windows: the deferred start-up shows them in order, whatever way
// they are closed, and the main window comes back.
TEST(FirstRun, DeferredStartUpShowsBothWindowsThenAppliesTheSettings)
{
    const QString beside = test::NewFolder(QStringLiteral("firstrun-windows"));
    platform::SetExecutableFolderForTests(QFile::encodeName(beside).toStdString());
    test::WriteFile(beside + QStringLiteral("/set.txt"), "/srv/clips/\r\n40\r\n50\r\n");
    MessageBoxRecorder::take();
    ProgramWindows windows;
    windows.mainWindow->show();

    QStringList shown;
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            shown << dialog->objectName() +
                         (windows.mainWindow->isVisible() ? QStringLiteral("+main") : QString());
            dialog->close(); // the close box, not the window's own button
        }
    });
    closer.start();
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            return !windows.mainWindow->startupTimer()->isActive() && shown.size() == 2 &&
                   windows.mainWindow->outputFolder() == "/srv/clips/";
        },
        20000));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("TForm4"), QStringLiteral("TForm3")}));
    EXPECT_TRUE(windows.mainWindow->isVisible());
    EXPECT_EQ(windows.mainWindow->pos(), QPoint(50, 40));
    EXPECT_EQ(test::ReadFile(beside + QStringLiteral("/done2.txt")), "Done\r\n");
    EXPECT_EQ(test::ReadFile(beside + QStringLiteral("/done.txt")), "Done\r\n");
    EXPECT_TRUE(MessageBoxRecorder::take().empty());
}

} // namespace
} // namespace clipvane
