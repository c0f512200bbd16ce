#include "core/download/downloadworker.h"
#include "support/standinfixture.h"
#include "support/testenv.h"

#include <QFile>
#include <QPointer>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
            run.reason = worker->failure() ? worker->failure()->text : std::string();
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

// The counts the main thread saw never go back, and the last is the total.
void ExpectRisingTo(const std::vector<std::int32_t>& published, std::int32_t total)
{
    ASSERT_FALSE(published.empty());
    for (std::size_t i = 1; i < published.size(); ++i)
        EXPECT_LE(published[i - 1], published[i]) << "at " << i;
    EXPECT_EQ(published.back(), total);
}

TEST_F(DownloadTest, CopiesTheWholeStreamAndPublishesItsCount)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string bytes = server().streamBytes(clip);
    const std::string file = target("temp.flv");
    const DownloadRun run =
        DownloadRun::Go(server().address("/streams/" + clip.streamId + ".flv?x=1"), file);

    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_FALSE(run.failed);
    EXPECT_TRUE(run.freed);
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))), bytes);
    ExpectRisingTo(run.published, static_cast<std::int32_t>(bytes.size()));

    const auto request = onlyRequest();
    EXPECT_EQ(request.header("User-Agent"), "Mozilla");
    EXPECT_EQ(request.header("Accept"), "*/*");
    EXPECT_FALSE(request.header("Range"));
}

TEST_F(DownloadTest, StopEndsTheTransferInProgress)
{
    Response slow;
    slow.body = std::string(2 * 1024 * 1024, 'v');
    slow.plan.fault = Fault::Slow;
    slow.plan.pieceBytes = 3072;
    slow.plan.pauseMs = 5;
    server().setRoute("/slow.flv", slow);
    const std::string file = target("temp.flv");
    const DownloadRun run =
        DownloadRun::Go(server().address("/slow.flv"), file,
                        [](DownloadWorker& worker, const std::vector<std::int32_t>& published) {
                            if (published.back() >= 6144)
                                worker.requestStop();
                        });
    EXPECT_EQ(run.doneCalls, 1);
    ASSERT_FALSE(run.published.empty());
    EXPECT_LT(run.published.back(), 1024 * 1024) << "the stop came long before the end";
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))),
              std::string(static_cast<std::size_t>(run.published.back()), 'v'))
        << "the file holds exactly what was counted";
}

TEST_F(DownloadTest, AStopIsAnsweredWhileTheServerIsSilent)
{
    // Silent after the headers and a little of the body, and silent before
    // any header at all (a listener nobody serves).
    Response stalled;
    stalled.body = std::string(1024 * 1024, 's');
    stalled.plan.fault = Fault::Stall;
    server().setRoute("/stalled.flv", stalled);
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string unanswered =
        "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.flv";

    for (const std::string& url : {server().address("/stalled.flv"), unanswered}) {
        SCOPED_TRACE(url);
        auto* worker = new DownloadWorker(url, target("temp.flv"));
        int done = 0;
        worker->setDoneHandler([&] { ++done; });
        QPointer<DownloadWorker> watch(worker);
        worker->start();
        // Long enough to be inside the silence.
        QTest::qWait(600);
        EXPECT_EQ(done, 0);
        worker->requestStop();
        // Far less than the minute a stall takes to be noticed.
        EXPECT_TRUE(test::WaitUntil([&] { return watch.isNull(); }, 10000))
            << "the stop was not answered";
        EXPECT_EQ(done, 1);
    }
    ::close(silent);
}

TEST_F(DownloadTest, ABrokenConnectionIsTakenUpWhereItBroke)
{
    const std::uint64_t size = 3 * 1024 * 1024 + 17;
    struct Case
    {
        const char* name;
        Fault fault;
        bool servesRanges;
        std::int32_t expected; // bytes at the end
        std::size_t requests;  // the first and the retries
    };
    const Case cases[] = {
        {"cut once, then served", Fault::CutOnce, true, static_cast<std::int32_t>(size), 2},
        {"cut every time", Fault::Cut, true, 4 * 100000, 4},
        {"no ranges served", Fault::CutOnce, false, 100000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server().clearOverrides();
        server().clearRequests();
        Response stream;
        stream.generatedBytes = size;
        stream.plan.fault = c.fault;
        stream.plan.afterBytes = 100000;
        stream.servesRanges = c.servesRanges;
        server().setRoute("/cut.flv", stream);
        const std::string file = target("temp.flv");
        const DownloadRun run = DownloadRun::Go(server().address("/cut.flv"), file);
        EXPECT_EQ(run.doneCalls, 1);
        EXPECT_FALSE(run.failed);
        ExpectRisingTo(run.published, c.expected);
        const std::string bytes =
            test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file)));
        ASSERT_EQ(bytes.size(), static_cast<std::size_t>(c.expected));
        bool same = true;
        for (std::size_t i = 0; i < bytes.size() && same; ++i)
            same = bytes[i] == standin::GeneratedByte(i);
        EXPECT_TRUE(same) << "the pieces join into the stream";

        const auto requests = server().requests();
        ASSERT_EQ(requests.size(), c.requests);
        EXPECT_FALSE(requests[0].header("Range"));
        for (std::size_t i = 1; i < requests.size(); ++i) {
            EXPECT_EQ(requests[i].header("Range"), "bytes=" + std::to_string(i * 100000) + "-");
            EXPECT_EQ(requests[i].header("User-Agent"), "Mozilla");
            EXPECT_EQ(requests[i].header("Accept"), "*/*");
        }
    }
}

TEST_F(DownloadTest, EmptyAndFailedRequestsEndLikeAFinishedDownload)
{
    Response empty;
    server().setRoute("/empty.flv", empty);
    const std::string file = target("temp.flv");
    test::WriteFile(QFile::decodeName(QByteArray::fromStdString(file)), "old contents");
    DownloadRun run = DownloadRun::Go(server().address("/empty.flv"), file);
    EXPECT_EQ(run.published, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(run.doneCalls, 1);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(test::ReadFile(QFile::decodeName(QByteArray::fromStdString(file))), "");

    run = DownloadRun::Go("http://127.0.0.1:1/unreachable.flv", file);
    EXPECT_EQ(run.published, (std::vector<std::int32_t>{0}));
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
    EXPECT_LE(run.published.back(),
              static_cast<std::int32_t>(64 * 1024 + DownloadWorker::kReadBytes));
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
