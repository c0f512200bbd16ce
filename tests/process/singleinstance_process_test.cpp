#include "platform/singleinstance.h"

#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// True while some process holds the program's instance name.
bool InstanceNameHeld()
{
    const std::string name = clipvane::platform::SingleInstance::platformName("clipvane");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const bool held = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return held;
}

// Starts the real program with its own home folder; its output goes to a file.
pid_t StartProgram(const fs::path& home, const fs::path& output)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl(CLIPVANE_PROGRAM, CLIPVANE_PROGRAM, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

template <class Condition> bool WaitFor(Condition condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

std::string Contents(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(SingleInstanceProcess, SecondStartEndsSilentlyAndLeavesTheFirstRunning)
{
    if (InstanceNameHeld())
        GTEST_SKIP() << "Clipvane is already running for this user";

    char pattern[] = "/tmp/clipvane-instance-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path home = pattern;
    fs::create_directories(home / "Desktop");

    const pid_t first = StartProgram(home, home / "first.log");
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitFor(InstanceNameHeld, 30s)) << Contents(home / "first.log");

    const pid_t second = StartProgram(home, home / "second.log");
    int status = 0;
    const bool ended = WaitFor([&] { return ::waitpid(second, &status, WNOHANG) == second; }, 30s);
    EXPECT_TRUE(ended) << "the second start must end by itself";
    if (ended) {
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
        ::kill(second, SIGKILL);
        ::waitpid(second, &status, 0);
    }
    EXPECT_EQ(Contents(home / "second.log"), "") << "the second start must say nothing";

    EXPECT_EQ(::waitpid(first, &status, WNOHANG), 0) << "the first instance must still run";
    EXPECT_TRUE(InstanceNameHeld());

    ::kill(first, SIGTERM);
    ::waitpid(first, &status, 0);
    EXPECT_TRUE(WaitFor([] { return !InstanceNameHeld(); }, 10s))
        << "the name is freed when the holder ends";
    fs::remove_all(home);
}

} // namespace
