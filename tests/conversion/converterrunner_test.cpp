#include "core/base/error.h"
#include "core/conversion/consoleoutput.h"
#include "core/conversion/converterrunner.h"
#include "platform/folders.h"
#include "support/testenv.h"

#include <QFile>
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
    } catch (const EConvertError& e) {
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
        } catch (const EConvertError& e) {
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

// Small shell scripts stand in for the converter.
// Whether the process has ended (a zombie nobody has reaped yet).
bool Ended(int pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const auto close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

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

    void waitUntilFinished(ConverterRunner& converter)
    {
        for (int i = 0; i < 300 && !converter.finished(); ++i) {
            converter.readOutput();
            platform::PauseMilliseconds(20);
        }
    }

    std::vector<std::string> m_fatal;
    ConverterRunner m_converter;

    void SetUp() override
    {
        m_converter.setFatalHandler(
            [this](const std::string& message) { m_fatal.push_back(message); });
    }
};

TEST_F(RunnerTest, FirstReadWaitsForTheDurationLineThenTimesAreRead)
{
    m_converter.run(
        script("printf 'banner\\n  Duration: '; sleep 0.3; printf '00:03:25.4, start: 0.0\\n'\n"
               "sleep 0.2; printf 'frame=1 time=1.5 bitrate=1    \\r'\n"
               "printf 'frame=2 time=83.4 bitrate=1    \\r'; sleep 0.2"));
    EXPECT_TRUE(m_converter.started());
    m_converter.readOutput();
    EXPECT_FALSE(m_converter.finished());
    EXPECT_EQ(m_converter.duration(), "00:03:25")
        << "the wait must cover the value, not only the marker";
    EXPECT_EQ(DurationToSeconds(m_converter.duration()), 205);
    waitUntilFinished(m_converter);
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(m_converter.timeSeconds(), 83);
    EXPECT_TRUE(m_fatal.empty());
}

TEST_F(RunnerTest, NulBytesBecomeBlanksAndUnknownFormatEndsTheWait)
{
    m_converter.run(script("printf 'in\\000put: Unknown format\\n'; sleep 2"));
    m_converter.readOutput();
    EXPECT_FALSE(m_converter.finished());
    EXPECT_NE(m_converter.output().find("in put: Unknown format"), std::string::npos)
        << m_converter.output();
    EXPECT_EQ(m_converter.duration(), "00:00:00");
    m_converter.stop();
}

TEST_F(RunnerTest, AConverterThatHasEndedIsReadToTheEndFirst)
{
    // A short clip converts between two reads: everything it printed is
    // still in the pipe, and the duration and the last time are read from it.
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        m_converter.run(script("printf '  Duration: 00:00:04.0, x\\n'\n"
                               "printf 'frame=1 time=2.0 bitrate=1    \\r'\n"
                               "printf 'frame=2 time=4.0 bitrate=1    \\r'"));
        // Waited for without an event loop: nothing reads the pipe meanwhile.
        for (int i = 0; i < 1000 && !Ended(m_converter.processId()); ++i)
            platform::PauseMilliseconds(10);
        ASSERT_TRUE(Ended(m_converter.processId()));
        m_converter.readOutput();
        EXPECT_TRUE(m_converter.finished());
        EXPECT_EQ(m_converter.duration(), "00:00:04");
        EXPECT_EQ(m_converter.timeSeconds(), 4);
        EXPECT_EQ(m_converter.exitCode(), 0u);
    }

    // The next run starts afresh.
    m_converter.run(script("printf '  Duration: 00:00:02.0, x\\n'; sleep 1"));
    EXPECT_FALSE(m_converter.finished());
    m_converter.readOutput();
    EXPECT_EQ(m_converter.duration(), "00:00:02");
    m_converter.stop();
}

TEST_F(RunnerTest, ANoisyConverterIsReadWhileTheEventLoopRuns)
{
    // Far more than a pipe holds: a converter that has to wait for its
    // reader would stall between two ticks.
    m_converter.run(script(
        "printf '  Duration: 00:00:01.0, x\\n'\n"
        "i=0; while [ $i -lt 40 ]; do head -c 65536 /dev/zero | tr '\\0' w; i=$((i+1)); done\n"
        "printf '\\nframe=2 time=1.0 bitrate=1    \\r'"));
    m_converter.readOutput();
    EXPECT_EQ(m_converter.duration(), "00:00:01");
    EXPECT_TRUE(test::WaitUntil([&] { return Ended(m_converter.processId()); }, 20000))
        << "the converter waits for its reader";
    m_converter.readOutput();
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
    m_converter.run(script("(sleep 1; touch '" + marker +
                           "') &\nsleep 60 &\nprintf '  Duration: 00:01:00.0, x\\n'\n"
                           "sleep 60"));
    m_converter.readOutput();
    const int group = m_converter.processId();
    ASSERT_GT(group, 0);
    m_converter.stop();
    EXPECT_TRUE(m_converter.finished());
    EXPECT_FALSE(m_converter.pipeOpen());
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        m_converter.run(script("true")); // reaps the killed converter
        gone = LiveMembers(group) == 0;
        platform::PauseMilliseconds(50);
    }
    EXPECT_TRUE(gone) << "a process of the converter's group is still alive";
    platform::PauseMilliseconds(1200);
    EXPECT_FALSE(platform::FileExists(marker)) << "a grandchild survived the stop";
}

TEST_F(RunnerTest, SilentConverterIsGivenUpAfterTheLimit)
{
    m_converter.setSilenceLimit(400);
    m_converter.run(script("printf '  Duration: '; sleep 60"));
    m_converter.readOutput();
    EXPECT_TRUE(m_converter.finished());
    EXPECT_FALSE(m_converter.pipeOpen()) << "the silent converter is stopped";
}

TEST_F(RunnerTest, MissingProgramTakesTheFatalPath)
{
    m_converter.run("/nonexistent/folder/nnn.exe -i a b");
    EXPECT_FALSE(m_converter.started());
    EXPECT_EQ(m_fatal, (std::vector<std::string>{"CreateProcess error!"}));
}

} // namespace
} // namespace clipvane
