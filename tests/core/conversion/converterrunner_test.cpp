#include "core/base/error.h"
#include "core/conversion/consoleoutput.h"
#include "core/conversion/converterrunner.h"
#include "platform/folders.h"
#include "support/testenv.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace clipvane {
namespace {

struct ParseCase
{
    const char* name;
    std::string output;
    std::string duration; // GetDuration
    std::string time;     // TimeText of ParseOutput
};

TEST(ParseOutput, Table)
{
    const std::string progress =
        "frame=  100 fps= 25 q=6.0 size=     512kB time=83.4 bitrate= 123.4kbits/s    \r";
    const ParseCase cases[] = {
        {"duration",
         "Input #0, flv, from 'x':\n  Duration: 00:03:25.4, start: 0.000000, bitrate: 64 kb/s\n",
         "00:03:25", "0"},
        {"no_duration", "Input #0 and nothing else", "00:00:00", "0"},
        {"not_available", "  Duration: N/A, start: 0.0\n", "N/A, sta", "0"},
        {"short_after_marker", "  Duration: 00:0", "00:0", "0"},
        {"progress_at_end", std::string(200, '.') + progress, "00:00:00", "83"},
        {"thirty_characters", "xx time=12.5 bitrate=1kbits/s", "00:00:00", "12"},
        {"summary_hides_time",
         std::string(100, '.') + progress +
             "\nvideo:512kB audio:64kB global headers:0kB "
             "muxing overhead 1.234567%\n",
         "00:00:00", "0"},
        {"long_counters_hide_time",
         std::string(100, '.') +
             "frame=  100 fps= 25 q=6.0 size=     512kB time=83.4 bitrate= 123.4kbits/s dup=123456 "
             "drop=7890123    \r",
         "00:00:00", "0"},
        {"time_without_point", std::string(100, '.') + "time=83 bitrate", "00:00:00", ""},
        {"first_time_of_tail", std::string(100, '.') + "time=1.0 x time=2.0 ", "00:00:00", "1"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DurationText(c.output), c.duration);
        EXPECT_EQ(ParseConverterOutput(c.output, false, true).second, c.time);
        EXPECT_EQ(ParseConverterOutput(c.output, false, false),
                  std::make_pair(std::string("00:00:00"), std::string("0")));
    }
}

TEST(ParseOutput, TimeAndDurationConversions)
{
    EXPECT_EQ(EncodedSeconds(std::string(100, '.') + "time=83.4 bitrate=1kbits/s    \r"), 83);
    try {
        EncodedSeconds(std::string(100, '.') + "time=83 bitrate");
        ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }

    const std::pair<std::string, std::int32_t> durations[] = {{"00:03:25", 205},
                                                              {"00:00:00", 0},
                                                              {"01:00:01", 3601},
                                                              {"99:59:59", 359999},
                                                              {" 0: 1: 2", 62}};
    for (const auto& [text, seconds] : durations)
        EXPECT_EQ(DurationToSeconds(text), seconds) << text;
    const std::pair<std::string, std::string> failures[] = {
        {"N/A, sta", "'N/' is not a valid integer value"},
        {"00:0", "'' is not a valid integer value"},
        {"00:xx:00", "'xx' is not a valid integer value"},
    };
    for (const auto& [text, message] : failures) {
        try {
            DurationToSeconds(text);
            ADD_FAILURE() << text;
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

// Processes of a group that are still alive (zombies do not count: they are
// dead, waiting for a parent that may not be ours to reap them).
int LiveMembers(int group)
{
    int alive = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 2));
        char state = 0;
        int parent = 0;
        int pgrp = 0;
        fields >> state >> parent >> pgrp;
        alive += pgrp == group && state != 'Z' && state != 'X';
    }
    return alive;
}

// Small shell scripts stand in for the converter; what the runner says is
// recorded as it says it.
class RunnerTest : public ::testing::Test
{
protected:
    std::string script(const std::string& body)
    {
        const QString path = test::NewFolder(QStringLiteral("runner")) + QStringLiteral("/tool.sh");
        test::WriteFile(path, "#!/bin/sh\n" + body + "\n");
        const std::string bytes = QFile::encodeName(path).toStdString();
        ::chmod(bytes.c_str(), 0755);
        return bytes;
    }

    void start(const std::string& commandLine)
    {
        m_said.clear();
        m_converter.start(commandLine);
    }
    bool waitFor(const char* what, int milliseconds = 20000)
    {
        return test::WaitUntil(
            [&] { return std::find(m_said.begin(), m_said.end(), what) != m_said.end(); },
            milliseconds);
    }

    void SetUp() override
    {
        QObject::connect(&m_converter, &ConverterRunner::inputDescribed, &m_converter, [this] {
            m_said.push_back("described");
            m_durationWhenDescribed = m_converter.duration();
        });
        QObject::connect(&m_converter, &ConverterRunner::ended, &m_converter,
                         [this] { m_said.push_back("ended"); });
        QObject::connect(&m_converter, &ConverterRunner::failedToStart, &m_converter,
                         [this](const std::string& message) { m_said.push_back(message); });
    }

    std::vector<std::string> m_said;
    std::string m_durationWhenDescribed;
    ConverterRunner m_converter;
};

TEST_F(RunnerTest, TheDescriptionWaitsForTheWholeDurationLineThenTimesAreRead)
{
    start(script("printf 'banner\\n  Duration: '; sleep 0.3; printf '00:03:25.4, start: 0.0\\n'\n"
                 "sleep 0.2; printf 'frame=1 time=1.5 bitrate=1    \\r'\n"
                 "printf 'frame=2 time=83.4 bitrate=1    \\r'; sleep 0.2"));
    EXPECT_TRUE(m_converter.started());
    ASSERT_TRUE(waitFor("described"));
    EXPECT_EQ(m_durationWhenDescribed, "00:03:25")
        << "the wait must cover the value, not only the marker";
    EXPECT_EQ(DurationToSeconds(m_converter.duration()), 205);
    ASSERT_TRUE(waitFor("ended"));
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(m_converter.timeSeconds(), 83);
    EXPECT_EQ(m_said, (std::vector<std::string>{"described", "ended"}));
}

TEST_F(RunnerTest, NulBytesBecomeBlanksAndUnknownFormatEndsTheWait)
{
    start(script("printf 'in\\000put: Unknown format\\n'; sleep 2"));
    ASSERT_TRUE(waitFor("described"));
    EXPECT_FALSE(m_converter.finished());
    EXPECT_NE(m_converter.output().find("in put: Unknown format"), std::string::npos)
        << m_converter.output();
    EXPECT_EQ(m_converter.duration(), "00:00:00");
    m_converter.stop();
    EXPECT_TRUE(waitFor("ended"));
}

TEST_F(RunnerTest, AConverterThatHasEndedIsReadToTheEndFirst)
{
    // A short clip converts at once: when its end is said, everything it
    // printed has been read, and the duration and the last time come from it.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        start(script("printf '  Duration: 00:00:04.0, x\\n'\n"
                     "printf 'frame=1 time=2.0 bitrate=1    \\r'\n"
                     "printf 'frame=2 time=4.0 bitrate=1    \\r'"));
        ASSERT_TRUE(waitFor("ended"));
        EXPECT_TRUE(m_converter.finished());
        EXPECT_EQ(m_converter.duration(), "00:00:04");
        EXPECT_EQ(m_converter.timeSeconds(), 4);
        EXPECT_EQ(m_converter.exitCode(), 0);
        EXPECT_EQ(m_said, (std::vector<std::string>{"described", "ended"}));
    }

    // One that ends before it has described anything is described by its end.
    start(script("printf 'no duration here\\n'; exit 3"));
    ASSERT_TRUE(waitFor("ended"));
    EXPECT_EQ(m_said, (std::vector<std::string>{"described", "ended"}));
    EXPECT_EQ(m_converter.exitCode(), 3);

    // The next run starts afresh.
    start(script("printf '  Duration: 00:00:02.0, x\\n'; sleep 1"));
    EXPECT_FALSE(m_converter.finished());
    ASSERT_TRUE(waitFor("described"));
    EXPECT_EQ(m_converter.duration(), "00:00:02");
    m_converter.stop();
    EXPECT_TRUE(waitFor("ended"));
}

TEST_F(RunnerTest, ANoisyConverterIsReadAsItWrites)
{
    // Far more than a pipe holds: a converter that has to wait for its
    // reader would never end.
    start(script(
        "printf '  Duration: 00:00:01.0, x\\n'\n"
        "i=0; while [ $i -lt 40 ]; do head -c 65536 /dev/zero | tr '\\0' w; i=$((i+1)); done\n"
        "printf '\\nframe=2 time=1.0 bitrate=1    \\r'"));
    ASSERT_TRUE(waitFor("ended")) << "the converter waits for its reader";
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(m_converter.timeSeconds(), 1);
    EXPECT_EQ(m_converter.duration(), "00:00:01") << "the start of the output is kept";
    EXPECT_LE(m_converter.output().size(), 1024u * 1024u)
        << "the middle of endless warnings is dropped";
}

TEST_F(RunnerTest, StopKillsTheConverterAndEveryChildOfIt)
{
    const std::string marker =
        QFile::encodeName(test::NewFolder(QStringLiteral("kill"))).toStdString() + "/late";
    start(script("(sleep 1; touch '" + marker +
                 "') &\nsleep 60 &\nprintf '  Duration: 00:01:00.0, x\\n'\n"
                 "sleep 60"));
    ASSERT_TRUE(waitFor("described"));
    const auto group = m_converter.processId();
    ASSERT_GT(group, 0);
    m_converter.stop();
    EXPECT_TRUE(m_converter.finished()) << "at once";
    ASSERT_TRUE(waitFor("ended", 5000)) << "the stopped converter is taken back";
    EXPECT_TRUE(test::WaitUntil([&] { return LiveMembers(static_cast<int>(group)) == 0; }, 5000))
        << "a process of the converter's group is still alive";
    QThread::msleep(1200);
    EXPECT_FALSE(platform::FileExists(marker)) << "a grandchild survived the stop";
    EXPECT_FALSE(m_converter.stoppedByRunner()) << "stopped by its user";
}

TEST_F(RunnerTest, ASilentConverterIsGivenUpWhenEverItFallsSilent)
{
    const struct
    {
        const char* name;
        std::string body;
    } cases[] = {
        {"before its duration", "printf '  Duration: '; sleep 60"},
        {"after its duration", "printf '  Duration: 00:00:09.0, x\\n'\n"
                               "printf 'frame=1 time=1.0 bitrate=1    \\r'; sleep 60"},
    };
    m_converter.setSilenceLimit(400);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(script(c.body));
        ASSERT_TRUE(waitFor("ended", 10000));
        EXPECT_TRUE(m_converter.finished());
        EXPECT_TRUE(m_converter.stoppedByRunner());
        EXPECT_NE(m_converter.exitCode(), 0) << "killed";
    }
    m_converter.setSilenceLimit(60000);
}

TEST_F(RunnerTest, AProgramThatCannotStartIsSaidSo)
{
    start("/nonexistent/folder/nnn.exe -i a b");
    ASSERT_TRUE(waitFor("CreateProcess error!", 5000));
    EXPECT_FALSE(m_converter.started());
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(m_said, (std::vector<std::string>{"CreateProcess error!"}));
}

} // namespace
} // namespace clipvane
