#pragma once

#include "core/conversion/converterrunner.h"
#include "core/download/downloadworker.h"
#include "core/job/jobcontroller.h"
#include "core/job/jobstartup.h"
#include "core/source/servicehosts.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shell.h"
#include "support/standinfixture.h"
#include "support/testenv.h"
#include "ui/app/programwindows.h"
#include "ui/common/messages.h"
#include "ui/mainwindow/mainwindow.h"
#include "ui/progress/progresswindow.h"
#include "ui/skin/gauge.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <filesystem>

namespace clipvane::test {

using standin::Fault;
using standin::Response;

// Whole jobs through the real windows, the stand-in on loopback, the real
// adapter and ffmpeg; message boxes are recorded and the desktop's opener
// is replaced by a list.
class JobTest : public StandinTest
{
protected:
    void SetUp() override
    {
        StandinTest::SetUp();
        m_savedHosts = CurrentHosts();
        ServiceHosts hosts;
        hosts.video = hosts.sequence = hosts.playlist = hosts.maker = server().hostPort();
        SetCurrentHosts(hosts);
        const QString beside = NewFolder(QStringLiteral("beside"));
        platform::SetExecutableFolderForTests(QFile::encodeName(beside).toStdString());
        // The first-run windows have been seen; they would wait for a user.
        WriteFile(beside + QStringLiteral("/done.txt"), "Done\r\n");
        WriteFile(beside + QStringLiteral("/done2.txt"), "Done\r\n");
        platform::SetShellOpenerForTests([this](const QUrl& url) { m_opened.push_back(url); });
        MessageBoxRecorder::take();
        m_out = QFile::encodeName(NewFolder(QStringLiteral("out"))).toStdString() + "/";
        remakeWindows();
        m_baseline = Resources();
    }

    // The program as it starts: what start-up reads (the service hosts, the
    // tool folder) is read again.
    void remakeWindows()
    {
        m_windows.reset();
        m_windows = std::make_unique<ProgramWindows>();
        main().setOutputFolder(m_out);
        main().show();
    }

    void TearDown() override
    {
        // Never leave a job behind for the next test.
        if (main().job().busy()) {
            progress().cancelJob();
            EXPECT_TRUE(WaitUntil([this] { return !main().job().busy(); }, 60000));
        }
        // After every job the program is ready for the next one: no child
        // process, descriptor or thread of it is left behind.
        EXPECT_TRUE(WaitUntil([this] { return Resources() == m_baseline; }, 5000))
            << "children " << Resources().children << " (were " << m_baseline.children
            << "), descriptors " << Resources().descriptors << " (were " << m_baseline.descriptors
            << "), threads " << Resources().threads << " (were " << m_baseline.threads << ")";
        m_windows.reset();
        platform::SetShellOpenerForTests({});
        SetCurrentHosts(m_savedHosts);
    }

    MainWindow& main() { return *m_windows->mainWindow; }
    ProgressWindow& progress() { return *m_windows->progressWindow; }
    QLineEdit* addressField() { return main().findChild<QLineEdit*>(QStringLiteral("sEdit1")); }

    std::string page(const char* vid) { return server().pageAddress(*server().clipByVid(vid)); }

    void start(const std::string& address)
    {
        addressField()->setText(QString::fromStdString(address));
        QTest::mouseClick(main().findChild<QToolButton*>(QStringLiteral("sSpeedButton1")),
                          Qt::LeftButton);
    }

    // Starts a job and lets the event loop run it to its end.
    std::vector<ShownBox> run(const std::string& address)
    {
        start(address);
        EXPECT_TRUE(WaitUntil([this] { return !main().job().busy(); }, 120000))
            << "the job did not end";
        return MessageBoxRecorder::take();
    }

    static std::vector<std::string> texts(const std::vector<ShownBox>& boxes)
    {
        std::vector<std::string> result;
        for (const ShownBox& box : boxes)
            result.push_back(box.text.toStdString());
        return result;
    }

    std::pair<int, int> gauges()
    {
        return {progress().stepGauge()->progress(), progress().totalGauge()->progress()};
    }

    QStringList outputFiles() const
    {
        return QDir(QString::fromStdString(m_out))
            .entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

    // What the process holds of the system, to tell whether a job left
    // anything behind.
    struct Held
    {
        int children = 0; // zombies included: an unreaped child is left behind too
        int descriptors = 0;
        int threads = 0;
        bool operator==(const Held&) const = default;
    };
    static Held Resources()
    {
        namespace fs = std::filesystem;
        Held held;
        const std::string self = std::to_string(::getpid());
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            QFile stat(QString::fromStdString((entry.path() / "stat").string()));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = stat.readAll();
            const auto close = text.lastIndexOf(')');
            const QList<QByteArray> fields = text.mid(close + 2).split(' ');
            held.children += fields.size() > 1 && fields[1] == QByteArray::fromStdString(self);
        }
        for ([[maybe_unused]] const auto& fd : fs::directory_iterator("/proc/self/fd"))
            ++held.descriptors;
        for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task"))
            ++held.threads;
        return held;
    }

    std::string m_out;
    std::vector<QUrl> m_opened;
    Held m_baseline;
    std::unique_ptr<ProgramWindows> m_windows;
    ServiceHosts m_savedHosts;
};

} // namespace clipvane::test
