#include "standin.h"
#include "support/aviprobe.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The real clipvane-cli, copied beside a hosts.ini that points at an
// in-process stand-in, with a home folder of its own.
class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start(0));
        char pattern[] = "/tmp/clipvane-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        fs::create_directories(m_root / "bin");
        fs::create_directories(m_root / "home" / "Desktop");
        fs::create_directories(m_root / "out");
        fs::copy_file(CLIPVANE_CLI, m_root / "bin" / "clipvane-cli");
        ASSERT_TRUE(m_server.writeHostsIni(m_root / "bin" / "hosts.ini"));
    }

    void TearDown() override
    {
        m_server.stop();
        fs::remove_all(m_root);
    }

    // `wrapper` runs before the program, given its command line: a private
    // mount namespace, say.
    pid_t start(const std::vector<std::string>& arguments, const char* tag = "run",
                const std::vector<std::string>& wrapper = {})
    {
        const fs::path out = m_root / (std::string(tag) + ".out");
        const fs::path err = m_root / (std::string(tag) + ".err");
        // Emptied before the program starts, so that nothing of an earlier
        // run is taken for what this one says.
        std::ofstream(out, std::ios::trunc).close();
        std::ofstream(err, std::ios::trunc).close();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("HOME", (m_root / "home").c_str(), 1);
            ::unsetenv("XDG_CACHE_HOME");
            ::unsetenv("XDG_DATA_HOME");
            ::unsetenv("XDG_CONFIG_HOME");
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<std::string> copies = arguments;
            copies.insert(copies.begin(), (m_root / "bin" / "clipvane-cli").string());
            copies.insert(copies.begin(), wrapper.begin(), wrapper.end());
            std::vector<char*> argv;
            for (std::string& a : copies)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    static int wait(pid_t pid, std::chrono::seconds limit = 120s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int run(const std::vector<std::string>& arguments) { return wait(start(arguments)); }

    bool waitForOutput(const std::string& text, const char* tag = "run",
                       std::chrono::seconds limit = 60s)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (Contents(m_root / (std::string(tag) + ".out")).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    std::string out(const char* tag = "run") const
    {
        return Contents(m_root / (std::string(tag) + ".out"));
    }
    std::string err(const char* tag = "run") const
    {
        return Contents(m_root / (std::string(tag) + ".err"));
    }
    std::string page(const char* vid) { return m_server.pageAddress(*m_server.clipByVid(vid)); }
    std::string outFolder() const { return (m_root / "out").string(); }
    bool outEmpty() const { return fs::is_empty(m_root / "out"); }

    // Processes still running whose command line names this test's folders.
    int processesLeft() const
    {
        int left = 0;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::string cmdline = Contents(entry.path() / "cmdline");
            const std::string stat = Contents(entry.path() / "stat");
            const auto close = stat.rfind(')');
            const bool zombie =
                close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
            left += !zombie && cmdline.find(m_root.string()) != std::string::npos;
        }
        return left;
    }

    clipvane::standin::Server m_server;
    fs::path m_root;
};

TEST_F(CliTest, AWholeJobSavesTheAvi)
{
    EXPECT_EQ(run({page("1001"), outFolder()}), 0) << err();
    const fs::path avi = m_root / "out" / "Harbour lights at dusk.AVI";
    EXPECT_TRUE(fs::exists(avi));
    EXPECT_NE(out().find("title: Harbour lights at dusk\n"), std::string::npos) << out();
    EXPECT_NE(out().find("Done.\nSaved: " + avi.string() + "\n"), std::string::npos) << out();
    EXPECT_EQ(err(), "");

    clipvane::test::ExpectTheAviProfile(clipvane::test::ProbeStreams(avi.string()));

    // The default folder is the desktop when no settings file names one.
    EXPECT_EQ(run({page("1002")}), 0) << err();
    EXPECT_TRUE(fs::exists(m_root / "home" / "Desktop" / "Caf\xC3\xA9 terrace_ morning rush_.AVI"));
}

TEST_F(CliTest, ErrorEndsHaveTheirStatusAndMessage)
{
    clipvane::standin::Response notVideo;
    notVideo.body = "<html>not a video</html>";
    clipvane::standin::Response noProbe;
    noProbe.body = "nope";
    struct Case
    {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"probe, and the page cannot be reached",
         [&] { m_server.setRoute("/files/vidudoz/test.txt", noProbe); },
         {"http://127.0.0.1:1/video/play?vid=1001&fr=cv", outFolder()},
         3,
         "Error: Allow Mirvola by Windows Firewall.\n"},
        {"no clip",
         [] {},
         {m_server.address("/video/play?vid=9999&fr=cv"), outFolder()},
         4,
         "Error: Cant get and check video link.\n"},
        {"download cut",
         [] {},
         {page("2003"), outFolder()},
         5,
         "Error: Cant download video file.\n"},
        {"not a video",
         [&] { m_server.setRoute("/streams/st-7340012.flv", notVideo); },
         {page("1001"), outFolder()},
         6,
         "Error: Cant convert video file.\n"},
        {"no folder",
         [] {},
         {page("1001"), "/nonexistent/clips"},
         7,
         "Error: Cant move the video file to "},
        {"usage",
         [] {},
         {},
         2,
         "Usage: clipvane-cli [OPTIONS] PAGE-ADDRESS... [-o OUTPUT-FOLDER]\n"},
        {"unknown option",
         [] {},
         {"--fast", page("1001")},
         2,
         "clipvane-cli: unknown option --fast\n"},
        {"unknown format",
         [] {},
         {"--format", "webm", page("1001")},
         2,
         "clipvane-cli: unknown format webm (avi, mp4 or original)\n"},
        {"too many connections",
         [] {},
         {"--connections", "17", page("1001")},
         2,
         "clipvane-cli: --connections takes a number from 1 to 16, not 17\n"},
        {"unreadable batch",
         [] {},
         {"--batch", "/nonexistent/list"},
         2,
         "clipvane-cli: cannot read /nonexistent/list\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_server.clearOverrides();
        c.arrange();
        EXPECT_EQ(run(c.arguments), c.status);
        EXPECT_EQ(err().rfind(c.message, 0), 0u) << err();
        EXPECT_TRUE(outEmpty());
    }
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out(), "Clipvane 1.0\n");
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out().find("Ctrl+C cancels"), std::string::npos);
}

TEST_F(CliTest, CtrlCDuringTheDownloadAndOneInstanceAtATime)
{
    const pid_t job = start({page("2001"), outFolder()}); // a slow stream
    ASSERT_TRUE(waitForOutput("Downloading... (")) << out();

    // While it runs, a second start says why it does not.
    const pid_t second = start({page("1001"), outFolder()}, "second");
    EXPECT_EQ(wait(second), 9);
    EXPECT_EQ(err("second"),
              "clipvane-cli: Clipvane is already running; it does one job at a time.\n");

    ::kill(job, SIGINT);
    EXPECT_EQ(wait(job, 30s), 130);
    EXPECT_NE(out().find("Done.\n"), std::string::npos);
    EXPECT_TRUE(outEmpty());
    EXPECT_EQ(processesLeft(), 0);
}

TEST_F(CliTest, CtrlCDuringTheConversionLeavesNoConverter)
{
    const pid_t job = start({page("1004"), outFolder()}); // long enough to convert for a while
    ASSERT_TRUE(waitForOutput("Converting...")) << out();
    ::kill(job, SIGINT);
    EXPECT_EQ(wait(job, 30s), 130);
    EXPECT_TRUE(outEmpty());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(processesLeft(), 0) << "a converter outlived the cancelled job";
}

TEST_F(CliTest, AKilledProgramTakesItsConverterAlong)
{
    const pid_t job = start({page("1004"), outFolder()});
    ASSERT_TRUE(waitForOutput("Converting...")) << out();
    ASSERT_GT(processesLeft(), 0) << "the converter and its ffmpeg run";
    // No chance to clean up: the converter must notice by itself.
    ::kill(job, SIGKILL);
    EXPECT_EQ(wait(job, 10s), 128 + SIGKILL);
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (processesLeft() > 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(processesLeft(), 0) << "nnn.exe or its ffmpeg outlived the program that started them";
}

TEST_F(CliTest, ControlCharactersFromOutsideAreWrittenOut)
{
    // The page's title line ends at its CR (a lone CR ends a line there).
    const std::string title = "Bell\x07 esc\x1b[31mred\x1b]0;owned\x07 tab\tcr";
    EXPECT_EQ(run({page("1007"), outFolder()}), 0) << err();
    const std::string written = out() + err();
    for (const char c : written) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte != 0x7F))
            << "a raw control byte " << int(byte);
    }
    const std::string safe = "Bell\\x07 esc\\x1b[31mred\\x1b]0;owned\\x07 tab\\tcr";
    EXPECT_NE(out().find("title: " + safe + "\n"), std::string::npos) << out();
    EXPECT_NE(out().find("Saved: " + outFolder() + "/" + safe + ".AVI\n"), std::string::npos)
        << out();
    EXPECT_TRUE(fs::exists(m_root / "out" / (title + ".AVI")))
        << "the file keeps the title's own bytes";
}

TEST_F(CliTest, TheSecondControlSetIsWrittenOutToo)
{
    // U+009B starts a control sequence on a Linux console, U+009D a title.
    const std::string title = "csi\xC2\x9B"
                              "31mred osc\xC2\x9D"
                              "0;owned\x07 end";
    EXPECT_EQ(run({page("1008"), outFolder()}), 0) << err();
    EXPECT_NE(out().find("title: csi\\xc2\\x9b31mred osc\\xc2\\x9d0;owned\\x07 end\n"),
              std::string::npos)
        << out();
    EXPECT_TRUE(fs::exists(m_root / "out" / (title + ".AVI")))
        << "the file keeps the title's own bytes";
    EXPECT_EQ(run({"--json", page("1008"), outFolder()}), 0) << err();
    EXPECT_NE(out().find("{\"event\":\"title\",\"title\":\"csi\\u009b31mred "
                         "osc\\u009d0;owned\\u0007 end\"}"),
              std::string::npos)
        << out();
    for (const std::string& written : {out(), err()})
        for (std::size_t i = 0; i < written.size(); ++i) {
            const auto byte = static_cast<unsigned char>(written[i]);
            EXPECT_FALSE(byte >= 0x80 && byte <= 0x9F &&
                         (i == 0 || static_cast<unsigned char>(written[i - 1]) == 0xC2))
                << "a raw C1 control at " << i;
        }
}

// A signal while the job waits for the network ends it at once as
// cancelled, whatever it waits for.
TEST_F(CliTest, SignalsWhileAnAnswerIsAwaitedCancelTheJob)
{
    clipvane::standin::Response latePage;
    latePage.body = "<html><title>Never</title></html>";
    latePage.plan.fault = clipvane::standin::Fault::Late;
    latePage.plan.pauseMs = 60000;
    clipvane::standin::Response drippingLength; // the stream's headers, a byte at a time
    drippingLength.body = "FLV";
    drippingLength.plan.fault = clipvane::standin::Fault::DripHeaders;
    drippingLength.plan.pauseMs = 500;
    const struct
    {
        const char* name;
        std::string route;
        clipvane::standin::Response answer;
        std::string waitFor; // what the output says once the request is made
    } phases[] = {
        {"the page", "/video/play?vid=1001&fr=cv", latePage, "Getting information..."},
        {"the stream's length", "/streams/st-7340012.flv", drippingLength,
         "title: Harbour lights at dusk"},
    };
    const std::pair<int, int> signals[] = {{SIGINT, 130}, {SIGTERM, 130}, {SIGHUP, 129}};
    for (const auto& phase : phases) {
        for (const auto& [signal, status] : signals) {
            SCOPED_TRACE(std::string(phase.name) + ", signal " + std::to_string(signal));
            m_server.clearOverrides();
            m_server.setRoute(phase.route, phase.answer);
            const pid_t job = start({page("1001"), outFolder()});
            ASSERT_TRUE(waitForOutput(phase.waitFor)) << out();
            ::kill(job, signal);
            EXPECT_EQ(wait(job, 30s), status) << out() << err();
            EXPECT_NE(out().find("Done.\n"), std::string::npos) << out();
            EXPECT_TRUE(outEmpty());
        }
    }
}

// A full disk says so, in the phase it fills in: a small file system of its
// own for the work folder, in a mount namespace of the program's own.
TEST_F(CliTest, AFullDiskIsSaidInEveryPhase)
{
    if (::geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "a private file system needs root and unshare";
    const std::string cache = (m_root / "home" / ".cache").string();
    fs::create_directories(cache);
    const struct
    {
        const char* name;
        const char* size; // of the work folder's file system
        int status;
        std::string message;
    } cases[] = {
        {"while downloading", "64k", 5,
         "Error: Cant download video file. No space left on device.\n"},
        {"while converting", "160k", 6,
         "Error: Cant convert video file. No space left on device.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t job = start({page("1001"), outFolder()}, "full",
                                {"unshare", "-m", "sh", "-c",
                                 std::string("mount -t tmpfs -o size=") + c.size + " tmpfs '" +
                                     cache + "' && exec \"$@\"",
                                 "sh"});
        EXPECT_EQ(wait(job), c.status) << err("full");
        EXPECT_EQ(err("full"), c.message);
        EXPECT_TRUE(outEmpty()) << "nothing is saved";
    }
}

TEST_F(CliTest, TheFormatIsChosenOnTheCommandLine)
{
    // In any letter case, as a separate value or joined to the option.
    EXPECT_EQ(run({"--json", "--format", "MP4", page("1001"), "-o", outFolder()}), 0) << err();
    const fs::path mp4 = m_root / "out" / "Harbour lights at dusk.mp4";
    EXPECT_NE(out().find("{\"event\":\"saved\",\"address\":\"" + page("1001") + "\",\"path\":\"" +
                         mp4.string() + "\",\"format\":\"mp4\"}"),
              std::string::npos)
        << out();
    EXPECT_NE(clipvane::test::ProbeStreams(mp4.string()).find("codec_name=h264"),
              std::string::npos);
    EXPECT_EQ(run({"--format=original", page("1001"), outFolder()}), 0) << err();
    EXPECT_TRUE(fs::exists(m_root / "out" / "Harbour lights at dusk.mkv"));
    EXPECT_EQ(run({page("1001"), outFolder()}), 0) << err();
    EXPECT_TRUE(fs::exists(m_root / "out" / "Harbour lights at dusk.AVI")) << "AVI by default";
}

// As installed, with no hosts.ini: the maker's host does not exist, and
// every kind of page is saved all the same; a page without a film says so.
TEST_F(CliTest, WithoutHostsIniEveryKindOfPageIsSaved)
{
    fs::remove(m_root / "bin" / "hosts.ini");
    const std::vector<std::string> pages = {
        page("1001"),
        m_server.address("/web/og.html"),
        m_server.address("/web/twitter.html"),
        m_server.address("/web/jsonld.html"),
        m_server.address("/web/video.html"),
        m_server.address("/web/base.html"),
        m_server.address("/web/lazy.html"),
        m_server.address("/web/embed.html"),
        m_server.address("/media/clip.mp4"),
        m_server.address("/web/article.html"),
    };
    std::vector<std::string> arguments = pages;
    arguments.insert(arguments.end(), {"--format", "original", "-o", outFolder()});
    EXPECT_EQ(run(arguments), 4) << out() << err();
    EXPECT_NE(out().find("Summary: 9 saved, 1 failed, 0 cancelled\n"), std::string::npos) << out();
    EXPECT_NE(out().find("  failed: " + pages.back() + ": Error: Cant get and check video link.\n"),
              std::string::npos)
        << out();
    for (const char* file :
         {"Harbour lights at dusk.mkv", "Open Graph clip & friends.mp4", "JSON-LD clip.mkv",
          "Under a base.mp4", "Lazy.mkv", "An embedded player.mp4", "clip.mp4"})
        EXPECT_TRUE(fs::exists(m_root / "out" / file)) << file;
}

// HLS from the command line, as installed: saved over the connections
// asked for, or refused with their own statuses.
TEST_F(CliTest, HlsStreamsAreSavedOrRefusedWithTheirStatus)
{
    fs::remove(m_root / "bin" / "hosts.ini");
    const std::vector<std::string> saved = {
        m_server.address("/hls/ts/master.m3u8"), m_server.address("/hls/aes/index.m3u8"),
        m_server.address("/hls/single/index.m3u8"), m_server.address("/hls/fmp4/index.m3u8"),
        m_server.address("/hls/sound/master.m3u8")};
    std::vector<std::string> arguments = {"--connections", "2", "--format", "mp4"};
    arguments.insert(arguments.end(), saved.begin(), saved.end());
    arguments.insert(arguments.end(), {"-o", outFolder()});
    EXPECT_EQ(run(arguments), 0) << out() << err();
    EXPECT_NE(out().find("Summary: 5 saved, 0 failed, 0 cancelled\n"), std::string::npos) << out();

    const struct
    {
        const char* address;
        int status;
        const char* message;
    } refused[] = {
        {"/hls/live/index.m3u8", 11,
         "Error: This is a live stream; only finished videos can be saved.\n"},
        {"/hls/skd/index.m3u8", 12, "Error: This video is protected and cannot be saved.\n"},
        {"/hls/missing/index.m3u8", 5, "Error: Cant download video file.\n"},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.address);
        EXPECT_EQ(run({m_server.address(r.address), outFolder()}), r.status);
        EXPECT_EQ(err(), r.message);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_root / "out"), fs::directory_iterator()), 5);
}

TEST_F(CliTest, ACtrlCAfterTheEndChangesNothing)
{
    // How long a job takes here, then Ctrl+C at times around its end.
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(run({page("1001"), outFolder()}), 0) << err();
    const auto took = std::chrono::steady_clock::now() - begin;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        fs::remove_all(m_root / "out");
        fs::create_directories(m_root / "out");
        const pid_t job = start({page("1001"), outFolder()});
        std::this_thread::sleep_for(took * (70 + 6 * round) / 100);
        ::kill(job, SIGINT);
        const int status = wait(job, 60s);
        const bool saved = !outEmpty();
        if (status == 130) {
            EXPECT_FALSE(saved) << "cancelled, yet the file is there";
            EXPECT_EQ(out().find("Saved:"), std::string::npos);
        } else {
            EXPECT_EQ(status, 0) << err();
            EXPECT_TRUE(saved);
            EXPECT_NE(out().find("Saved:"), std::string::npos) << out();
        }
    }
}

TEST_F(CliTest, ATerminalThatGoesAwayCancelsTheJob)
{
    const pid_t job = start({page("1004"), outFolder()});
    ASSERT_TRUE(waitForOutput("Converting...")) << out();
    ::kill(job, SIGHUP);
    EXPECT_EQ(wait(job, 30s), 129);
    EXPECT_TRUE(outEmpty());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(processesLeft(), 0) << "a converter outlived the cancelled job";
}

TEST_F(CliTest, AReaderThatStopsReadingCancelsTheJob)
{
    // clipvane-cli ... | head -1, with the reader closing once the
    // conversion has begun.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t job = ::fork();
    if (job == 0) {
        ::setenv("HOME", (m_root / "home").c_str(), 1);
        ::unsetenv("XDG_CACHE_HOME");
        ::unsetenv("XDG_DATA_HOME");
        ::unsetenv("XDG_CONFIG_HOME");
        ::dup2(pipe[1], 1);
        ::close(pipe[0]);
        ::close(pipe[1]);
        const std::string program = (m_root / "bin" / "clipvane-cli").string();
        const std::string address = page("1004");
        const std::string folder = outFolder();
        ::execl(program.c_str(), program.c_str(), address.c_str(), folder.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(pipe[1]);
    std::string seen;
    char buffer[4096];
    while (seen.find("Converting...") == std::string::npos) {
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_NE(seen.find("Converting..."), std::string::npos) << seen;
    ::close(pipe[0]);
    EXPECT_EQ(wait(job, 30s), 141);
    EXPECT_TRUE(outEmpty());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(processesLeft(), 0) << "a converter outlived the cancelled job";
}

TEST_F(CliTest, SeveralPagesInOneCall)
{
    // Three addresses, one of them twice, one that fails; the folder by -o.
    const std::string list = (m_root / "list.txt").string();
    {
        std::ofstream file(list);
        file << "# clips to save\n\n  " << page("1001") << "  \n" << page("2005") << "\n";
    }
    const int status = run({page("1001"), "--batch", list, "-o", outFolder()});
    EXPECT_EQ(status, 4) << "the status of the first job that was not saved";
    const fs::path out1 = m_root / "out" / "Harbour lights at dusk.AVI";
    const fs::path out2 = m_root / "out" / "[1]Harbour lights at dusk.AVI";
    EXPECT_TRUE(fs::exists(out1));
    EXPECT_TRUE(fs::exists(out2)) << "the same title twice: the [n] rule";
    EXPECT_NE(out().find("Saved: " + out1.string() + "\n"), std::string::npos) << out();
    EXPECT_NE(out().find("Saved: " + out2.string() + "\n"), std::string::npos) << out();
    EXPECT_NE(out().find("Summary: 2 saved, 1 failed, 0 cancelled\n"), std::string::npos) << out();
    EXPECT_NE(out().find("  failed: " + page("2005") + ": Error: Cant get and check video link.\n"),
              std::string::npos)
        << out();

    // All saved: 0; the old form with the folder last still works.
    fs::remove_all(m_root / "out");
    fs::create_directories(m_root / "out");
    EXPECT_EQ(run({page("1002"), outFolder()}), 0) << err();
    EXPECT_EQ(out().find("Summary"), std::string::npos) << "one page, no summary";
}

TEST_F(CliTest, CtrlCCancelsTheJobInProgressAndSkipsTheRest)
{
    const pid_t job = start({page("1004"), page("1001"), page("1002"), "-o", outFolder()});
    ASSERT_TRUE(waitForOutput("Converting...")) << out();
    ::kill(job, SIGINT);
    EXPECT_EQ(wait(job, 30s), 130);
    EXPECT_TRUE(outEmpty()) << "nothing of the cancelled job, nothing of the skipped ones";
    EXPECT_NE(out().find("Summary: 0 saved, 0 failed, 3 cancelled\n"), std::string::npos) << out();
    EXPECT_NE(out().find("  cancelled (not started): " + page("1002")), std::string::npos) << out();
}

TEST_F(CliTest, JsonEventsAScriptCanRead)
{
    const int status = run({"--json", page("1001"), page("2005"), "-o", outFolder()});
    EXPECT_EQ(status, 4);
    std::vector<std::string> events;
    std::istringstream lines(out());
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.rfind("{\"event\":\"", 0), 0u) << "not an event: " << line;
        EXPECT_EQ(line.back(), '}') << line;
        events.push_back(line.substr(10, line.find('"', 10) - 10));
    }
    const std::string avi = (m_root / "out" / "Harbour lights at dusk.AVI").string();
    const std::string all = out();
    EXPECT_NE(all.find("{\"event\":\"start\",\"address\":\"" + page("1001") +
                       "\",\"index\":1,\"count\":2}"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("{\"event\":\"title\",\"title\":\"Harbour lights at dusk\"}"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("{\"event\":\"phase\",\"phase\":\"downloading\"}"), std::string::npos)
        << all;
    EXPECT_NE(all.find("{\"event\":\"phase\",\"phase\":\"converting\"}"), std::string::npos) << all;
    EXPECT_NE(all.find("\"step\":"), std::string::npos) << all;
    EXPECT_NE(all.find("{\"event\":\"saved\",\"address\":\"" + page("1001") + "\",\"path\":\"" +
                       avi + "\",\"format\":\"avi\"}"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("{\"event\":\"failed\",\"address\":\"" + page("2005") +
                       "\",\"message\":\"Error: Cant get and check video link.\",\"status\":4}"),
              std::string::npos)
        << all;
    EXPECT_EQ(events.back(), "summary");
    EXPECT_NE(
        all.find("{\"event\":\"summary\",\"saved\":1,\"failed\":1,\"cancelled\":0,\"status\":4}"),
        std::string::npos)
        << all;
    EXPECT_EQ(err(), "");
}

} // namespace
