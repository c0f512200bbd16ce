#include "core/conversion/toolinstall.h"
#include "core/source/internet.h"
#include "support/aviprobe.h"
#include "support/filesizelimit.h"
#include "support/jobfixture.h"
#include "support/withoutoverride.h"

#include <csignal>
#include <sys/resource.h>

namespace clipvane {
namespace {

using standin::Fault;
using standin::Response;
using test::JobTest;

// Faults a job meets in the world: what the user sees, and (through the
// fixture) that nothing is left behind and the next job can start.
class FaultTest : public JobTest
{
protected:
    void TearDown() override
    {
        SetStallTimeoutForTests(0);
        JobTest::TearDown();
    }

    std::string streamPath(const char* vid)
    {
        return "/streams/" + server().clipByVid(vid)->streamId + ".flv";
    }

    // One message, starting with `start`; the address field kept, the main
    // window back, the folder untouched.
    void expectErrorEnd(const std::vector<ShownBox>& boxes, const std::string& start)
    {
        ASSERT_EQ(boxes.size(), 1u);
        const std::string text = boxes[0].text.toStdString();
        EXPECT_EQ(text.rfind(start, 0), 0u) << text;
        EXPECT_FALSE(addressField()->text().isEmpty());
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(progress().isVisible());
        EXPECT_TRUE(outputFiles().isEmpty());
        EXPECT_TRUE(m_opened.empty());
    }

    // And then a good job works at once.
    // The message of a failed move names where the converted clip was put
    // aside; it is there, and out of the next job's way (then removed).
    static bool keptAside(const std::string& message)
    {
        const std::string marker = "It is kept as \"";
        const auto at = message.find(marker);
        if (at == std::string::npos)
            return false;
        const std::string path =
            message.substr(at + marker.size(), message.rfind('"') - at - marker.size());
        const bool kept = path.rfind(DefaultTempFolder() + JobController::kUnsavedPrefix, 0) == 0 &&
                          platform::FileExists(path);
        platform::DeleteFile(path);
        return kept;
    }

    void expectReadyForTheNextJob()
    {
        server().clearOverrides();
        const auto before = outputFiles().size();
        EXPECT_EQ(texts(run(page("1002"))), (std::vector<std::string>{"Done."}));
        EXPECT_EQ(outputFiles().size(), before + 1);
    }
};

TEST_F(FaultTest, NetworkFailuresBeforeTheDownload)
{
    Response notFound;
    notFound.status = 404;
    notFound.reason = "Not Found";
    notFound.body = "<html><body>Not Found</body></html>\r\n";
    Response brokenPage = notFound; // a typical error page is HTML, not XML
    brokenPage.body = "<!DOCTYPE html>\r\n<html><body><p>Not Found<br></body></html>\r\n";
    Response hugePage;
    hugePage.body = std::string(100 * 1024 * 1024, 'x') + "\r\ny_up_eAutoStart('7340012');\r\n";
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        std::function<std::string()> address;
        std::string message;
    };
    const Case cases[] = {
        // Only when the page cannot be reached either is it the firewall.
        {"maker and page refuse connections",
         [&] {
             ServiceHosts hosts = CurrentHosts();
             hosts.maker = "127.0.0.1:1";
             SetCurrentHosts(hosts);
             remakeWindows();
         },
         [&] { return std::string("http://127.0.0.1:1/video/play?vid=1001&fr=cv"); },
         JobController::kFirewallError},
        {"probe answers an error page, page host does not resolve",
         [&] { server().setRoute("/files/vidudoz/test.txt", notFound); },
         [] { return std::string("http://nothere.invalid/video/play?vid=1001&fr=cv"); },
         JobController::kFirewallError},
        {"page host does not resolve", [] {},
         [] { return std::string("http://nothere.invalid/video/play?vid=1001&fr=cv"); },
         JobController::kLinkError},
        {"page is an error page", [] {},
         [&] { return server().address("/video/play?vid=9999&fr=cv"); }, JobController::kLinkError},
        {"page of 100 MB", [&] { server().setRoute("/video/play?vid=1001&fr=cv", hugePage); },
         [&] { return page("1001"); }, JobController::kLinkError},
        {"sequence is an error page", [] {}, [&] { return page("2005"); },
         JobController::kLinkError},
        {"playlist is an error page", [&] { server().setRoute("/makeplaylist.dll", brokenPage); },
         [&] { return page("1001"); }, "The playlist cannot be read (line "},
        {"stream size from an error page", [&] { server().setRoute(streamPath("1001"), notFound); },
         [&] { return page("1001"); }, JobController::kConvertError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ServiceHosts hosts = CurrentHosts();
        server().clearOverrides();
        c.arrange();
        expectErrorEnd(run(c.address()), c.message);
        if (CurrentHosts().maker != hosts.maker) {
            SetCurrentHosts(hosts);
            remakeWindows();
        }
    }
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, LineBreaksInAStreamIdOrAddressNeverBecomeLinesOnTheWire)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    Response sequence;
    sequence.body = "{\"streamid\":\"st-7340012\r\nX-Injected: sequence\r\n \tx\"}";
    Response playlist;
    playlist.body = "<?xml version=\"1.0\"?><PLAYLIST><STREAM URLPREFIX=\"http://\" SERVER=\"" +
                    server().hostPort() + "\" PATH=\"/streams/" + clip.streamId +
                    ".flv&#13;&#10;X-Injected: playlist&#13;&#10;\" "
                    "QUERYSTRING=\"a&#9;b c&#10;X-Injected: query\"/></PLAYLIST>";
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"stream id", [&] { server().setRoute("/ver/242/process/getSequence.php", sequence); }},
        {"stream address", [&] { server().setRoute("/makeplaylist.dll", playlist); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server().clearOverrides();
        server().clearRequests();
        c.arrange();
        const std::vector<ShownBox> boxes = run(page("1001"));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.toStdString(), "Done.");
        for (const standin::RecordedRequest& request : server().requests()) {
            EXPECT_EQ(request.count("X-Injected"), 0) << request.head;
            EXPECT_EQ(request.requestLine.find_first_of("\r\n\t"), std::string::npos)
                << request.head;
            // The request line and the client's own headers, nothing more.
            for (const std::string& line : request.headerLines) {
                const std::string name = line.substr(0, line.find(':'));
                EXPECT_TRUE(name == "Host" || name == "User-Agent" || name == "Accept" ||
                            name == "Cookie")
                    << line;
            }
        }
    }
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, HostilePlaylistsNeverReadLocalFilesOrExplode)
{
    const QString secret =
        test::NewFolder(QStringLiteral("secret")) + QStringLiteral("/secret.txt");
    test::WriteFile(secret, "TOPSECRET");
    Response xxe;
    xxe.body =
        "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY s SYSTEM \"file://" +
        QFile::encodeName(secret).toStdString() +
        "\">]><p><STREAM URLPREFIX=\"http://&s;\" SERVER=\"x\" PATH=\"/y\" QUERYSTRING=\"\"/></p>";
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a0 \"xxxxxxxxxx\">";
    for (int i = 1; i <= 12; ++i) {
        bomb += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            bomb += "&a" + std::to_string(i - 1) + ";";
        bomb += "\">";
    }
    bomb += "]><p><STREAM URLPREFIX=\"&a12;\" SERVER=\"\" PATH=\"\" QUERYSTRING=\"\"/></p>";
    Response bombResponse;
    bombResponse.body = bomb;
    for (const Response& playlist : {xxe, bombResponse}) {
        server().clearOverrides();
        server().setRoute("/makeplaylist.dll", playlist);
        const std::vector<ShownBox> boxes = run(page("1001"));
        expectErrorEnd(boxes, "The playlist cannot be read (line ");
        ASSERT_FALSE(boxes.empty());
        EXPECT_FALSE(boxes[0].text.contains(QStringLiteral("TOPSECRET")));
        for (const auto& request : server().requests())
            EXPECT_EQ(request.target().find("TOPSECRET"), std::string::npos);
    }
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, DownloadsThatBreakOff)
{
    SetStallTimeoutForTests(2);
    const std::string stream = streamPath("1001");
    const std::string bytes = server().streamBytes(*server().clipByVid("1001"));
    Response stalled;
    stalled.body = bytes;
    stalled.plan.fault = Fault::Stall;
    stalled.plan.afterBytes = 10000;
    Response cut;
    cut.body = bytes;
    cut.plan.fault = Fault::Cut;
    cut.plan.afterBytes = 20000;
    Response longer; // announces more than it sends
    longer.body = bytes;
    longer.contentLength = std::to_string(bytes.size() + 5000);
    struct Case
    {
        const char* name;
        Response response;
    };
    for (const Case& c :
         {Case{"stall longer than the time-out", stalled}, Case{"closed mid-stream", cut},
          Case{"Content-Length larger than the body", longer}}) {
        SCOPED_TRACE(c.name);
        server().clearOverrides();
        server().setRoute(stream, c.response);
        expectErrorEnd(run(page("1001")), JobController::kDownloadError);
    }

    // Announcing less than it has: the client takes what was announced and
    // the job ends one way or the other, never hanging.
    Response shorter;
    shorter.body = bytes;
    shorter.contentLength = std::to_string(bytes.size() - 5000);
    server().clearOverrides();
    server().setRoute(stream, shorter);
    const std::vector<ShownBox> boxes = run(page("1001"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text == QStringLiteral("Done.") ||
                boxes[0].text == QString::fromLatin1(JobController::kConvertError))
        << boxes[0].text.toStdString();
    expectReadyForTheNextJob();
}

// A stream is held to the length the job was told: a part of it is never
// saved as the whole, and bytes beyond it never grow the clip.
TEST_F(FaultTest, StreamsAreHeldToWhatTheyAnnounced)
{
    const std::string stream = streamPath("1001");
    const std::string bytes = server().streamBytes(*server().clipByVid("1001"));
    Response whole;
    whole.body = bytes;
    Response half = whole; // 206 and the first half to a plain request
    half.plan.fault = Fault::PartOnPlain;
    Response halfNoRanges = half;
    halfNoRanges.servesRanges = false;
    Response endless = whole; // no length, and no end after the clip
    endless.plan.fault = Fault::Endless;
    Response longer = whole; // more bytes than the length query was told
    longer.body = bytes + std::string(200000, 'x');
    longer.omitLength = true;
    struct Case
    {
        const char* name;
        std::vector<Response> answers; // the length query's, then the download's
        std::string ends;              // the message's start
    };
    const Case cases[] = {
        {"a part, the rest asked for", {half, half, whole}, "Done."},
        {"a part, and no rest to be had", {half, halfNoRanges}, JobController::kDownloadError},
        {"no length and no end after a length", {whole, endless}, "Done."},
        {"longer than the length it was told", {whole, longer}, "Done."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server().clearOverrides();
        server().setRoutes(stream, c.answers);
        const std::vector<ShownBox> boxes = run(page("1001"));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text.toStdString().rfind(c.ends, 0), 0u) << boxes[0].text.toStdString();
        if (c.ends == "Done.") {
            const std::string avi = m_out + outputFiles().back().toStdString();
            // The whole clip, not a part of it: its four seconds.
            EXPECT_NE(test::ProbeStreams(avi, "format=duration").find("duration=4."),
                      std::string::npos)
                << test::ProbeStreams(avi, "format=duration");
            EXPECT_EQ(main().job().current().expectedSize, static_cast<std::int64_t>(bytes.size()));
            QFile::remove(QString::fromStdString(avi));
        } else {
            EXPECT_TRUE(outputFiles().isEmpty());
        }
    }
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, SlowDripCancelledByTheUser)
{
    Response drip;
    drip.body = server().streamBytes(*server().clipByVid("1001"));
    drip.plan.fault = Fault::Slow;
    drip.plan.pieceBytes = 1024;
    drip.plan.pauseMs = 1000; // 1 KB/s
    server().setRoute(streamPath("1001"), drip);
    start(page("1001"));
    ASSERT_TRUE(test::WaitUntil(
        [this] { return main().job().current().downloading && main().job().downloadWorker(); },
        30000));
    ASSERT_TRUE(
        test::WaitUntil([this] { return main().job().downloadWorker()->bytesShown() > 0; }, 10000));
    QTest::mouseClick(progress().cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 10000))
        << "Cancel must not wait for the drip";
    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(outputFiles().isEmpty());
    expectReadyForTheNextJob();
}

// A soft file-size limit stands in for a full disk: writes beyond it fail.
TEST_F(FaultTest, FullDiskDuringTheDownload)
{
    server().streamBytes(*server().clipByVid("1001")); // made before the limit, by ffmpeg
    {
        test::FileSizeLimit full(32 * 1024);
        expectErrorEnd(run(page("1001")), JobController::kDownloadError);
    }
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, FullDiskDuringTheMoveKeepsTheConvertedFile)
{
    // Another file system than the temp folder's, so the move copies.
    const std::string shm = "/dev/shm/clipvane-test-" + std::to_string(::getpid()) + "/";
    QDir().mkpath(QString::fromStdString(shm));
    main().setOutputFolder(shm);
    start(page("1001"));
    ASSERT_TRUE(test::WaitUntil(
        [this] { return main().job().current().converting || !main().job().busy(); }, 60000));
    std::vector<ShownBox> boxes;
    {
        test::FileSizeLimit full(16 * 1024); // the converter already runs with its own limits
        ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 60000));
        boxes = MessageBoxRecorder::take();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.toStdString().rfind("Error: Cant move the video file to \"" + shm, 0),
              0u)
        << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("File too large")));
    EXPECT_TRUE(keptAside(boxes[0].text.toStdString()));
    EXPECT_TRUE(QDir(QString::fromStdString(shm)).entryList(QDir::Files).isEmpty())
        << "no partial file is left";
    QDir(QString::fromStdString(shm)).removeRecursively();
    main().setOutputFolder(m_out);
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, OutputFolderWithoutWritePermission)
{
    const QString locked = test::NewFolder(QStringLiteral("locked"));
    QFile::setPermissions(locked,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    // Writable at Start; locked while the clip converts.
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    main().setOutputFolder(QFile::encodeName(locked).toStdString() + "/");
    std::vector<ShownBox> boxes;
    {
        test::WithoutOverride asAnyUser;
        start(page("1001"));
        ASSERT_TRUE(test::WaitUntil([this] { return main().job().current().converting; }, 60000));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::ExeOther);
        ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 60000));
        boxes = MessageBoxRecorder::take();
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(
        boxes[0].text.startsWith(QStringLiteral("Error: Cant move the video file to \"") + locked))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("Permission denied")));
    EXPECT_TRUE(keptAside(boxes[0].text.toStdString()));
    main().setOutputFolder(m_out);
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, ConverterKilledMidRun)
{
    start(page("1004"));
    ASSERT_TRUE(test::WaitUntil([this] { return main().job().current().converting; }, 60000));
    ::kill(-main().job().converter()->processId(), SIGKILL);
    ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 10000));
    expectErrorEnd(MessageBoxRecorder::take(), JobController::kConvertError);
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, ConvertersThatFallSilentAreGivenUp)
{
    // Before it has said how long the clip is, and after: silent either way.
    const struct
    {
        const char* name;
        std::string script;
    } cases[] = {
        {"at once", "#!/bin/sh\nexec sleep 600\n"},
        {"after its duration",
         "#!/bin/sh\nprintf 'Input #0, flv, from x:\\n  Duration: 00:00:04.0, start: 0.0, "
         "bitrate: N/A\\n'\nprintf 'frame=1 time=1.0 bitrate=1    \\r'\nexec sleep 600\n"},
    };
    const std::string tool = ConverterToolFolder() + "nnn.exe";
    const QString toolPath = QFile::decodeName(QByteArray::fromStdString(tool));
    main().job().converter()->setSilenceLimit(1500);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(toolPath);
        test::WriteFile(toolPath, c.script);
        QFile::setPermissions(toolPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        expectErrorEnd(run(page("1001")), JobController::kConvertError);
    }
    QFile::remove(toolPath);
    EXPECT_TRUE(InstallConverterTool().ok());
    main().job().converter()->setSilenceLimit(60000);
    expectReadyForTheNextJob();
}

TEST_F(FaultTest, PlaylistsThatWouldCostTooMuchAreRefusedAndUtf16OnesRead)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string stream = "<STREAM URLPREFIX=\"http://\" SERVER=\"" + server().hostPort() +
                               "\" PATH=\"/streams/" + clip.streamId +
                               ".flv\" QUERYSTRING=\"sig=" + clip.clipId + "\"";
    Response wide;
    wide.body =
        "<!DOCTYPE l [<!ENTITY w \"" + std::string(50000, 'w') + "\">]><l>" + stream + " NOTE=\"";
    for (int i = 0; i < 4000; ++i)
        wide.body += "&w;";
    wide.body += "\"/></l>";
    Response crowded;
    crowded.body = "<l>" + stream;
    for (int i = 0; i < 200000; ++i)
        crowded.body += " a" + std::to_string(i) + "=\"\"";
    crowded.body += "/></l>";
    for (const Response& playlist : {wide, crowded}) {
        server().clearOverrides();
        server().setRoute("/makeplaylist.dll", playlist);
        expectErrorEnd(run(page("1001")), "The playlist cannot be read (line ");
    }

    Response utf16;
    const std::string text = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><l>" + stream + "/></l>";
    utf16.body = "\xFF\xFE";
    for (const char ch : text)
        utf16.body += std::string{ch, '\0'};
    server().clearOverrides();
    server().setRoute("/makeplaylist.dll", utf16);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
}

} // namespace
} // namespace clipvane
