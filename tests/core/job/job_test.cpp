#include "core/conversion/toolinstall.h"
#include "core/source/webfetch.h"
#include "support/aviprobe.h"
#include "support/jobfixture.h"
#include "support/withoutoverride.h"

#include <QCheckBox>
#include <QProcess>
#include <sys/stat.h>

namespace clipvane {
namespace {

using standin::Fault;
using standin::Response;
using test::JobTest;

TEST_F(JobTest, AClipBecomesAnAviInTheOutputFolderTwiceOver)
{
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
    const std::string avi = m_out + "Harbour lights at dusk.AVI";
    test::ExpectTheAviProfile(test::ProbeStreams(avi));
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0], QUrl::fromLocalFile(QString::fromStdString(avi)));
    EXPECT_EQ(gauges(), std::make_pair(100, 100));
    EXPECT_EQ(progress().titleLabel()->text(), QStringLiteral("title: Harbour lights at dusk"));
    EXPECT_TRUE(addressField()->text().isEmpty());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(progress().isVisible());

    // The same clip again, with the open option off: a bracketed name, nothing opened.
    main().findChild<QWidget*>(QStringLiteral("sCheckBox1"))->setProperty("checked", false);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("Harbour lights at dusk.AVI"),
                                          QStringLiteral("[1]Harbour lights at dusk.AVI")}));
    EXPECT_EQ(m_opened.size(), 1u);
}

TEST_F(JobTest, ErrorEndsShowTheirMessageAtTheirGauges)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string stream = "/streams/" + clip.streamId + ".flv";
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        std::string address;
        std::string message; // the start of it
        std::pair<int, int> gauges;
    };
    Response noLength;
    noLength.body = "FLV";
    noLength.omitLength = true;
    Response notVideo;
    notVideo.body = "<html><body>This stream is not available in your region.</body></html>\r\n";
    Response noProbe;
    noProbe.body = "54321";
    const Case cases[] = {
        {"probe fails and the page cannot be reached",
         [&] { server().setRoute("/files/vidudoz/test.txt", noProbe); },
         "http://127.0.0.1:1/video/play?vid=1001&fr=cv",
         JobController::kFirewallError,
         {0, 0}},
        {"empty address", [] {}, "", JobController::kLinkError, {50, 15}},
        {"no marker on the page", [] {}, page("2008"), JobController::kLinkError, {50, 15}},
        {"no stream id", [] {}, page("2005"), JobController::kLinkError, {50, 15}},
        {"broken playlist", [] {}, page("2006"), "The playlist cannot be read (line ", {0, 0}},
        {"no size",
         [&] { server().setRoute(stream, noLength); },
         page("1001"),
         JobController::kDownloadError,
         {100, 30}},
        {"download cut short", [] {}, page("2003"), JobController::kDownloadError, {-1, -1}},
        {"not a video",
         [&] { server().setRoute(stream, notVideo); },
         page("1001"),
         JobController::kConvertError,
         {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server().clearOverrides();
        c.arrange();
        const std::vector<std::string> shown = texts(run(c.address));
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind(c.message, 0), 0u) << shown[0];
        if (c.gauges.first >= 0) {
            EXPECT_EQ(gauges(), c.gauges);
        }
        EXPECT_EQ(addressField()->text().toStdString(), c.address)
            << "an error end keeps the address";
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(progress().isVisible());
        EXPECT_TRUE(outputFiles().isEmpty());
        EXPECT_TRUE(m_opened.empty());
    }
}

TEST_F(JobTest, AServicePageIsSavedWhenTheMakersHostIsGone)
{
    // The probe is asked first; the page answering is reachability enough.
    Response gone;
    gone.status = 404;
    gone.reason = "Not Found";
    server().setRoute("/files/vidudoz/test.txt", gone);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
    std::vector<std::string> asked;
    for (const auto& request : server().requests())
        asked.push_back(request.path());
    EXPECT_EQ(asked,
              (std::vector<std::string>{"/files/vidudoz/test.txt", "/video/play",
                                        "/ver/242/process/getSequence.php", "/makeplaylist.dll",
                                        "/streams/st-7340012.flv", "/streams/st-7340012.flv"}));
}

TEST_F(JobTest, AFailedMoveIsReportedAndTheConvertedFileKept)
{
    const std::string title = "Caf\xC3\xA9 terrace_ morning rush_";
    const std::string kept = DefaultTempFolder() + "unsaved-" + title + ".AVI";
    const std::string keptAgain = DefaultTempFolder() + "[1]unsaved-" + title + ".AVI";
    platform::DeleteFile(kept);
    platform::DeleteFile(keptAgain);

    // A folder that is there at Start and gone by the move.
    const std::string gone =
        QFile::encodeName(test::NewFolder(QStringLiteral("gone"))).toStdString() + "/";
    auto runIntoAFolderThatGoes = [&] {
        QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(gone)));
        main().setOutputFolder(gone);
        start(page("1002"));
        // Removed before the event loop runs again: the move needs it, so the
        // folder is gone by then however fast the short clip converts.
        QDir(QFile::decodeName(QByteArray::fromStdString(gone))).removeRecursively();
        EXPECT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 60000));
        return texts(MessageBoxRecorder::take());
    };
    std::vector<std::string> shown = runIntoAFolderThatGoes();
    ASSERT_EQ(shown.size(), 1u);
    const std::string target = gone + title + ".AVI";
    EXPECT_EQ(shown[0], "Error: Cant move the video file to \"" + target +
                            "\": No such file or directory. It is kept as \"" + kept + "\".");
    EXPECT_TRUE(platform::FileExists(kept));
    EXPECT_NE(test::ProbeStreams(kept).find("codec_name=mpeg4"), std::string::npos)
        << "a whole AVI";
    EXPECT_TRUE(m_opened.empty());

    // The same clip failing again is kept beside the first; and the next
    // job, which rewrites temp.avi, leaves both alone.
    shown = runIntoAFolderThatGoes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("It is kept as \"" + keptAgain + "\"."), std::string::npos) << shown[0];
    main().setOutputFolder(m_out);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(platform::FileExists(kept));
    EXPECT_TRUE(platform::FileExists(keptAgain));
    platform::DeleteFile(kept);
    platform::DeleteFile(keptAgain);
}

TEST_F(JobTest, ATempFolderWithAQuoteAndATabStillConverts)
{
    // The temp folder follows the cache folder, which a user may name so.
    const QString cache =
        test::NewFolder(QStringLiteral("cache")) + QStringLiteral("/o\"neil\tcache");
    ASSERT_TRUE(QDir().mkpath(cache));
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    remakeWindows();
    EXPECT_NE(main().job().folders().temp.find("o\"neil\tcache/"), std::string::npos)
        << main().job().folders().temp;
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
    qputenv("XDG_CACHE_HOME", saved);
    remakeWindows();
}

TEST_F(JobTest, CancelDuringTheDownloadEndsWithNothingAdded)
{
    start(page("2001")); // a slow stream
    ASSERT_TRUE(test::WaitUntil([this] { return main().job().current().downloading; }, 30000));
    ASSERT_TRUE(test::WaitUntil(
        [this] {
            return main().job().downloadWorker() && main().job().downloadWorker()->bytesShown() > 0;
        },
        30000));
    EXPECT_TRUE(progress().isVisible());
    EXPECT_FALSE(main().isVisible());
    EXPECT_FALSE(main().mayClose()) << "no closing while a job runs";
    EXPECT_FALSE(main().close());
    EXPECT_TRUE(progress().isVisible());
    EXPECT_FALSE(progress().close());
    QTest::mouseClick(progress().cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 30000));
    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(gauges(), std::make_pair(100, 100));
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_TRUE(m_opened.empty());
    EXPECT_TRUE(addressField()->text().isEmpty());
    EXPECT_FALSE(main().job().current().converting);
}

TEST_F(JobTest, TheWindowsAnswerWhileThePageIsAwaitedAndCancelEndsTheJobThere)
{
    // A page that would answer only after a minute: the window's thread
    // never waits for it, and Cancel abandons the request in flight.
    Response late = Response{};
    late.body = "<html><title>Too late</title></html>";
    late.plan.fault = Fault::Late;
    late.plan.pauseMs = 60000;
    server().setRoute("/video/play?vid=1001&fr=cv", late);
    start(page("1001"));
    EXPECT_TRUE(main().job().busy());
    EXPECT_TRUE(progress().isVisible());
    EXPECT_FALSE(main().isVisible());
    ASSERT_TRUE(test::WaitUntil(
        [this] {
            return progress().operationLabel()->text() == QStringLiteral("Getting information...");
        },
        10000))
        << "the probe's answer is shown while the page is awaited";
    EXPECT_EQ(progress().titleLabel()->text(), QStringLiteral("Video Title: <untitled>"));
    EXPECT_EQ(gauges(), std::make_pair(0, 0));
    EXPECT_TRUE(main().job().busy());

    QTest::mouseClick(progress().cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 10000))
        << "Cancel must not wait for the page";
    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(main().job().lastEnd().outcome, JobOutcome::Cancelled);
    EXPECT_EQ(gauges(), std::make_pair(100, 100));
    EXPECT_TRUE(addressField()->text().isEmpty());
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(progress().isVisible());
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_TRUE(m_opened.empty());

    server().clearOverrides();
    EXPECT_EQ(texts(run(page("1002"))), (std::vector<std::string>{"Done."}))
        << "the next job starts at once";
}

TEST_F(JobTest, CancelDuringTheConversionStopsTheConverter)
{
    for (const OutputFormat format : {OutputFormat::Avi, OutputFormat::Mp4}) {
        SCOPED_TRACE(FormatWord(format));
        main().setOutputFormat(format);
        start(page("1004")); // four minutes of clip: the conversion takes a while
        ASSERT_TRUE(test::WaitUntil([this] { return main().job().current().converting; }, 60000));
        EXPECT_EQ(main().job().current().durationSeconds, 240);
        const auto group = main().job().converter()->processId();
        ASSERT_GT(group, 0);
        QTest::mouseClick(progress().cancelButton(), Qt::LeftButton);
        EXPECT_TRUE(main().job().converter()->finished()) << "the converter is stopped at once";
        ASSERT_TRUE(test::WaitUntil([this] { return !main().job().busy(); }, 5000));
        EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
        EXPECT_TRUE(outputFiles().isEmpty());
        EXPECT_TRUE(m_opened.empty());
        EXPECT_TRUE(addressField()->text().isEmpty());
        QProcess pgrep;
        pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-g"), QString::number(group)});
        pgrep.waitForFinished(5000);
        // Zombies of the killed group may wait for their reaper; none may run on.
        const QString left = QString::fromLatin1(pgrep.readAllStandardOutput()).trimmed();
        for (const QString& pid : left.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            QFile stat(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
            if (stat.open(QIODevice::ReadOnly)) {
                const QByteArray text = stat.readAll();
                const auto close = text.lastIndexOf(')');
                EXPECT_EQ(text.mid(close + 2, 1), QByteArray("Z"))
                    << "process " << pid.toStdString() << " still runs";
            }
        }
    }
    main().setOutputFormat(OutputFormat::Avi);
}

TEST_F(JobTest, ADurationOfNAStillConvertsWithGaugesAtZeroAndSixty)
{
    // A converter of the user's own in the tool folder, which is never
    // replaced: it cannot tell the duration, then writes its output.
    const std::string tool = ConverterToolFolder() + "nnn.exe";
    const QString toolPath = QFile::decodeName(QByteArray::fromStdString(tool));
    QFile::remove(toolPath);
    test::WriteFile(
        toolPath, "#!/bin/sh\n"
                  "printf 'Input #0, flv, from x:\\n  Duration: N/A, start: 0.0, bitrate: N/A\\n'\n"
                  "for last; do :; done\n"
                  "printf 'frame=1 time=1.0 bitrate=1    \\r'; sleep 1.5; echo RIFF > \"$last\"\n");
    QFile::setPermissions(toolPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    std::vector<std::pair<int, int>> seen;
    start(page("1001"));
    test::WaitUntil(
        [&] {
            if (main().job().current().converting)
                seen.push_back(gauges());
            return !main().job().busy();
        },
        60000);
    QFile::remove(toolPath);
    EXPECT_TRUE(InstallConverterTool().ok());

    EXPECT_EQ(texts(MessageBoxRecorder::take()), (std::vector<std::string>{"Done."}));
    EXPECT_EQ(main().job().current().durationSeconds, 0);
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("Harbour lights at dusk.AVI")});
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), std::make_pair(0, 60));
}

TEST_F(JobTest, WithoutAConverterNoJobStarts)
{
    // A folder where the converter belongs: installing it fails at start.
    const QString toolPath =
        QFile::decodeName(QByteArray::fromStdString(ConverterToolFolder() + "nnn.exe"));
    QFile::remove(toolPath);
    ASSERT_TRUE(QDir().mkpath(toolPath));
    remakeWindows();
    const std::vector<ShownBox> atStart = MessageBoxRecorder::take();
    ASSERT_EQ(atStart.size(), 1u);
    EXPECT_EQ(atStart[0].icon, BoxIcon::Stop);
    EXPECT_TRUE(atStart[0].text.startsWith(QStringLiteral("Cannot create file \"")))
        << atStart[0].text.toStdString();

    start(page("1001"));
    EXPECT_FALSE(main().job().busy());
    EXPECT_EQ(texts(MessageBoxRecorder::take()),
              (std::vector<std::string>{JobController::kNoConverter}));
    EXPECT_EQ(main().job().lastEnd().outcome, JobOutcome::NoConverter);
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(server().requests().empty()) << "nothing is asked of the service";

    QDir().rmdir(toolPath);
    EXPECT_TRUE(InstallConverterTool().ok());
}

TEST_F(JobTest, StreamsThatRedirectAreSaved)
{
    // Once, as the stand-in's own clip does.
    EXPECT_EQ(texts(run(page("2012"))), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(outputFiles().contains(QStringLiteral("Stream that moved.AVI")))
        << outputFiles().join(QLatin1Char(',')).toStdString();

    // Twice, the second time to another port, as a content network does.
    standin::Server edge;
    ASSERT_TRUE(edge.start(0));
    const standin::Clip& clip = *server().clipByVid("1002");
    Response stream;
    stream.body = server().streamBytes(clip);
    edge.setRoute("/edge/clip.flv", stream);
    Response second;
    second.status = 307;
    second.headers = {{"Location", edge.address("/edge/clip.flv")}};
    edge.setRoute("/hop", second);
    Response first;
    first.status = 301;
    first.headers = {{"Location", edge.address("/hop")}};
    server().setRoute("/streams/" + clip.streamId + ".flv", first);
    EXPECT_EQ(texts(run(page("1002"))), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(
        outputFiles().contains(QString::fromUtf8("Caf\xC3\xA9 terrace_ morning rush_.AVI")));
}

TEST_F(JobTest, APageThatDripsEndsTheJobWithinTheDeadline)
{
    SetDocumentDeadlineForTests(2);
    const std::vector<std::string> shown = texts(run(page("2011")));
    SetDocumentDeadlineForTests(0);
    EXPECT_EQ(shown, (std::vector<std::string>{JobController::kLinkError}));
    EXPECT_TRUE(outputFiles().isEmpty());
}

TEST_F(JobTest, ALatin1TitleIsSavedAndOpenedByItsOwnBytes)
{
    main().findChild<QCheckBox*>(QStringLiteral("sCheckBox1"))->setChecked(true);
    EXPECT_EQ(texts(run(page("1006"))), (std::vector<std::string>{"Done."}));
    const std::string saved = m_out + "Caf\xE9 au lait \xE0 Paris.AVI";
    EXPECT_TRUE(platform::FileExists(saved)) << "the file is named by the title's own bytes";
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].scheme(), QStringLiteral("file"));
    EXPECT_EQ(QByteArray::fromPercentEncoding(m_opened[0].path(QUrl::FullyEncoded).toLatin1())
                  .toStdString(),
              saved)
        << "the opener is handed the file that exists";
    // Shown as well as it can be: the bytes that are no UTF-8 as replacement
    // characters.
    EXPECT_EQ(progress().titleLabel()->text(),
              QString::fromUtf8("title: Caf\xE9 au lait \xE0 Paris"));
}

TEST_F(JobTest, AFolderOfThreeHundredCharactersIsUsedAndKeptWhole)
{
    std::string deep = m_out;
    while (deep.size() < 300)
        deep += std::string(40, 'd') + "/";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(deep))));
    // Through the settings file, as a user's saved folder comes.
    const QString setTxt =
        QFile::decodeName(QByteArray::fromStdString(platform::SettingsFolder())) +
        QStringLiteral("/set.txt");
    test::WriteFile(setTxt, deep + "\r\n100\r\n100\r\n");
    main().runDeferredStartup();
    EXPECT_EQ(main().outputFolder(), deep);
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(platform::FileExists(deep + "Harbour lights at dusk.AVI"));
    m_windows.reset(); // written back at the end
    EXPECT_EQ(test::ReadFile(setTxt).substr(0, deep.size() + 2), deep + "\r\n");
    remakeWindows();
}

TEST_F(JobTest, StartSaysWhenTheOutputFolderCannotTakeTheClip)
{
    const QString file = test::NewFolder(QStringLiteral("notafolder")) + QStringLiteral("/clips");
    test::WriteFile(file, "a file");
    const QString locked = test::NewFolder(QStringLiteral("locked"));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    const struct
    {
        const char* name;
        std::string folder;
        std::string says;
    } cases[] = {
        {"missing", "/nonexistent/clips/", "does not exist"},
        {"a file", QFile::encodeName(file).toStdString() + "/", "is a file, not a folder"},
        {"not writable", QFile::encodeName(locked).toStdString() + "/", "cannot be written to"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server().clearRequests();
        main().setOutputFolder(c.folder);
        test::WithoutOverride asAnyUser;
        start(page("1001"));
        EXPECT_FALSE(main().job().busy()) << "nothing started";
        EXPECT_EQ(texts(MessageBoxRecorder::take()),
                  (std::vector<std::string>{"The output folder \"" + c.folder + "\" " + c.says +
                                            (c.says == "is a file, not a folder"
                                                 ? ". Please choose a folder."
                                                 : ". Please choose another one.")}));
        EXPECT_TRUE(server().requests().empty());
        EXPECT_TRUE(main().isVisible());
    }
    main().setOutputFolder(m_out);
}

TEST_F(JobTest, AFolderNamedInLatin1IsKeptByteForByte)
{
    const std::string folder = m_out + "clips \xE0 voir/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const QString setTxt =
        QFile::decodeName(QByteArray::fromStdString(platform::SettingsFolder())) +
        QStringLiteral("/set.txt");
    test::WriteFile(setTxt, folder + "\r\n100\r\n100\r\n");
    main().runDeferredStartup();
    EXPECT_EQ(main().outputFolder(), folder) << "the bytes, not what the field can show";
    EXPECT_EQ(texts(run(page("1001"))), (std::vector<std::string>{"Done."}));
    EXPECT_TRUE(platform::FileExists(folder + "Harbour lights at dusk.AVI"));
    m_windows.reset(); // written back at the end
    EXPECT_EQ(test::ReadFile(setTxt).substr(0, folder.size() + 2), folder + "\r\n");
    remakeWindows();
}

} // namespace
} // namespace clipvane
