#include "core/download/downloadworker.h"
#include "support/standinfixture.h"
#include "support/testenv.h"

#include <QFile>
#include <QPointer>
#include <QTest>

namespace clipvane {
namespace {

using standin::Fault;
using standin::Response;

// Runs one worker to its end on the real event loop and records what the
// main thread saw.
struct DownloadRun
{
    std::vector<std::int32_t> published;
    int doneCalls = 0;
    bool failed = false;
    std::string reason;
    bool freed = false;

    static DownloadRun
    Go(const std::string& url, const std::string& file,
       std::function<void(DownloadWorker&, const std::vector<std::int32_t>&)> onPublish = {})
    {
        DownloadRun run;
        auto* worker = new DownloadWorker(url, file);
        worker->requestStop(); // a stale request must not survive the start
        worker->setProgressHandler([&run, worker, onPublish] {
            run.published.push_back(worker->bytesShown());
            if (onPublish)
                onPublish(*worker, run.published);
        });
        worker->setDoneHandler([&run, worker] {
            ++run.doneCalls;
            run.failed = worker->failed();
            run.reason = worker->failureReason();
        });
        QPointer<DownloadWorker> watch(worker);
        worker->start();
        EXPECT_TRUE(test::WaitUntil([&] { return watch.isNull(); }, 60000))
            << "the worker must free itself";
        run.freed = watch.isNull();
        return run;
    }
};

class DownloadTest : public test::StandinTest
{
protected:
    std::string target(const char* name)
    {
        return QFile::encodeName(test::NewFolder(QStringLiteral("download"))).toStdString() + "/" +
               name;
    }
};

TEST_F(DownloadTest, CopiesTheWholeStreamAndPublishesEveryChunk)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string bytes = server().streamBytes(clip);
    ASSERT_GT(bytes.size(), 3u * 3072);
    const std::string file = target("temp.flv");
    const DownloadRun run =
        DownloadRun::Go(server().address("/streams/" + clip.streamId + ".flv?x=1"), file);

    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))), bytes);
    ASSERT_GE(run.published.size(), 3u);
    EXPECT_EQ(run.published.front(), 0);
    EXPECT_EQ(run.published.back(), static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(run.published[run.published.size() - 2], run.published.back())
        << "the final read of 0 is published too";
    for (std::size_t i = 1; i + 1 < run.published.size(); ++i)
        EXPECT_EQ(run.published[i],
                  static_cast<std::int32_t>(std::min<std::size_t>(i * 3072, bytes.size())));

    const auto request = onlyRequest();
    EXPECT_EQ(request.header("User-Agent"), "Mozilla");
    EXPECT_EQ(request.header("Accept"), "*/*");
}

TEST_F(DownloadTest, StopTakesEffectAfterTheChunkInProgress)
{
    Response slow;
    slow.body = std::string(200 * 1024, 'v');
    slow.plan.fault = Fault::Slow;
    slow.plan.pieceBytes = 3072;
    slow.plan.pauseMs = 5;
    server().setRoute("/slow.flv", slow);
    const std::string file = target("temp.flv");
    const DownloadRun run =
        DownloadRun::Go(server().address("/slow.flv"), file,
                        [](DownloadWorker& worker, const std::vector<std::int32_t>& published) {
                            if (published.size() == 3)
                                worker.requestStop();
                        });
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_EQ(run.published, (std::vector<std::int32_t>{0, 3072, 6144}));
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))),
              std::string(6144, 'v'));
}

TEST_F(DownloadTest, EmptyAndFailedRequestsEndLikeAFinishedDownload)
{
    Response empty;
    server().setRoute("/empty.flv", empty);
    const std::string file = target("temp.flv");
    test::WriteFile(QFile::decodeName(QByteArray::fromStdString(file)), "old contents");
    DownloadRun run = DownloadRun::Go(server().address("/empty.flv"), file);
    EXPECT_EQ(run.published, (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))), "");

    run = DownloadRun::Go("http://127.0.0.1:1/unreachable.flv", file);
    EXPECT_EQ(run.published, (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(run.doneCalls, 1);
}

TEST_F(DownloadTest, FileThatCannotBeMadeOrWrittenEndsTheJobMarkedFailed)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string url = server().address("/streams/" + clip.streamId + ".flv");
    const std::string missing = target("no/such/folder/temp.flv");
    DownloadRun run = DownloadRun::Go(url, missing);
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.reason, "Cannot create file \"" + missing + "\". No such file or directory");
    EXPECT_TRUE(run.published.empty());

    // A full disk: the first write that reaches the disk fails, and the
    // download stops there.
    run = DownloadRun::Go(url, "/dev/full");
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_TRUE(run.failed);
    EXPECT_NE(run.reason.find("No space left on device"), std::string::npos) << run.reason;
    ASSERT_FALSE(run.published.empty());
    EXPECT_LE(run.published.back(), 64 * 1024 + 3072);
    EXPECT_LT(run.published.back(),
              static_cast<std::int32_t>(server().streamBytes(*server().clipByVid("1001")).size()));

    // A file that ends inside the buffer still reports a failure at close.
    const std::string small = server().address("/small.flv");
    standin::Response little;
    little.body = std::string(5000, 's');
    server().setRoute("/small.flv", little);
    run = DownloadRun::Go(small, "/dev/full");
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.doneCalls, 1);
}

} // namespace
} // namespace clipvane
