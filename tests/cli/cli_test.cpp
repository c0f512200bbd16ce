#include "standin.h"

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

    pid_t start(const std::vector<std::string>& arguments, const char* tag = "run")
    {
        const fs::path out = m_root / (std::string(tag) + ".out");
        const fs::path err = m_root / (std::string(tag) + ".err");
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
            std::vector<char*> argv;
            for (std::string& a : copies)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
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

    const std::string probe =
        "ffprobe -v error -show_entries stream=codec_name,codec_tag_string,width,height,"
        "channels,sample_rate -of compact=p=0 '" +
        avi.string() + "'";
    FILE* pipe = ::popen(probe.c_str(), "r");
    std::string streams;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        streams += buffer;
    if (pipe)
        ::pclose(pipe);
    EXPECT_NE(streams.find("codec_name=mpeg4|codec_tag_string=divx|width=320|height=240"),
              std::string::npos)
        << streams;
    EXPECT_NE(
        streams.find("codec_name=mp3|codec_tag_string=U[0][0][0]|sample_rate=44100|channels=1"),
        std::string::npos)
        << streams;

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
        {"probe",
         [&] { m_server.setRoute("/files/vidudoz/test.txt", noProbe); },
         {page("1001"), outFolder()},
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
        {"usage", [] {}, {}, 2, "Usage: clipvane-cli PAGE-ADDRESS [OUTPUT-FOLDER]\n"},
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

} // namespace
