#include "cli/consoleview.h"
#include "core/conversion/converterrunner.h"
#include "core/job/jobstartup.h"
#include "support/jobfixture.h"
#include "ui/mainwindow/windowjobview.h"

#include <QTimer>
#include <cstdio>

namespace clipvane {
namespace {

using test::JobTest;

// One job heard by two front ends at once.
class BothViews : public JobView
{
public:
    BothViews(JobView& first, JobView& second) : m_first(first), m_second(second) {}
    void jobStarted() override
    {
        m_first.jobStarted();
        m_second.jobStarted();
    }
    void statusChanged(const JobStatus& status) override
    {
        m_first.statusChanged(status);
        m_second.statusChanged(status);
    }
    void jobEnded(const JobEnd& end) override
    {
        m_first.jobEnded(end);
        m_second.jobEnded(end);
    }

private:
    JobView& m_first;
    JobView& m_second;
};

std::string Contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, file))
        text.append(buffer, n);
    return text;
}

TEST_F(JobTest, TheCommandLinesEventsComeFromValuesNotFromTheWindowsWords)
{
    // The window says everything differently; the JSON of the same job,
    // written beside it, says what it always says.
    ProgressWording odd;
    odd.starting = "Warming up";
    odd.lookingUp = "Asking around";
    odd.downloadStarting = "Fetching %1/%2";
    odd.downloading = "Fetching %1 out of %2";
    odd.converting = "Re-encoding";
    odd.titled = "Clip <%1>";
    odd.done = "All good";
    main().jobView().setWording(odd);

    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsoleJobView console(ConsoleJobView::Style::Json, out, out);
    BothViews both(main().jobView(), console);
    StartupProblems problems;
    const std::unique_ptr<JobController> job = StartJobSystem(both, CurrentHosts(), problems);
    progress().setController(job.get());
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, job.get(), [&] { job->tick(); });
    ticker.start(200);

    console.beginJob(page("1001"), 0, 1);
    job->start({page("1001"), m_out});
    QStringList shown;
    EXPECT_TRUE(test::WaitUntil(
        [&] {
            const QString now = progress().operationLabel()->text();
            if (shown.isEmpty() || shown.back() != now)
                shown << now;
            return !job->busy();
        },
        60000));
    progress().setController(&main().job());
    main().jobView().setWording({});

    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"All good"}));
    EXPECT_TRUE(shown.contains(QStringLiteral("Asking around"))) << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Re-encoding"))) << shown.join('|').toStdString();
    EXPECT_EQ(progress().titleLabel()->text(), QStringLiteral("Clip <Harbour lights at dusk>"));

    const std::string json = Contents(out);
    std::fclose(out);
    for (const char* expected : {
             "{\"event\":\"start\",\"address\":\"",
             "{\"event\":\"phase\",\"phase\":\"resolving\"}",
             "{\"event\":\"title\",\"title\":\"Harbour lights at dusk\"}",
             "{\"event\":\"phase\",\"phase\":\"downloading\"}",
             "\"operation\":\"Downloading... (0 of ",
             "{\"event\":\"phase\",\"phase\":\"converting\"}",
             "{\"event\":\"progress\",\"operation\":\"Converting...\",",
         })
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    for (const char* word : {"Warming", "Asking", "Fetching", "Re-encoding", "Clip <", "All good"})
        EXPECT_EQ(json.find(word), std::string::npos) << word << "\n" << json;
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
}

} // namespace
} // namespace clipvane
