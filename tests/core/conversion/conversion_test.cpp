#include "core/conversion/commandline.h"
#include "core/conversion/consoleoutput.h"
#include "core/conversion/converterrunner.h"
#include "core/conversion/toolinstall.h"
#include "core/job/jobstartup.h"
#include "platform/files.h"
#include "support/aviprobe.h"
#include "support/standinfixture.h"
#include "support/testenv.h"

#include <QFile>
#include <QProcess>
#include <QThread>

namespace clipvane {
namespace {

// A real conversion: a generated FLV through the installed adapter and the
// system's ffmpeg, read back the way the job reads it.
class ConversionTest : public test::StandinTest
{
protected:
    void SetUp() override
    {
        test::StandinTest::SetUp();
        EXPECT_TRUE(InstallConverterTool().ok());
        m_temp =
            QFile::encodeName(test::NewFolder(QStringLiteral("conversion"))).toStdString() + "/";
        QObject::connect(&m_converter, &ConverterRunner::failedToStart, &m_converter,
                         [](const std::string& message) { FAIL() << message; });
    }

    std::string path(const char* name) const { return m_temp + name; }
    QString qpath(const char* name) const
    {
        return QFile::decodeName(QByteArray::fromStdString(path(name)));
    }

    // Runs the job's way, reading the time as a tick does until the end.
    std::vector<std::int32_t> convert()
    {
        m_converter.start(ConverterCommandLine(ConverterToolFolder(), m_temp));
        std::vector<std::int32_t> times;
        EXPECT_TRUE(test::WaitUntil(
            [&] {
                // The closing summary hides the time, and the job ends there.
                if (m_converter.finished() ||
                    m_converter.output().find("muxing overhead") != std::string::npos)
                    return m_converter.finished();
                if (m_converter.isDescribed())
                    times.push_back(m_converter.timeSeconds());
                return false;
            },
            60000));
        return times;
    }

    // The adapter's whole console output, read to its end (the runner stops
    // reading once the process has gone).
    std::string runAdapter(int* exitCode = nullptr)
    {
        QProcess adapter;
        QStringList arguments;
        const auto split = SplitCommandLine(ConverterCommandLine(ConverterToolFolder(), m_temp));
        for (std::size_t i = 1; i < split.size(); ++i)
            arguments << QString::fromStdString(split[i]);
        adapter.setProcessChannelMode(QProcess::MergedChannels);
        adapter.start(QString::fromStdString(split[0]), arguments);
        adapter.closeWriteChannel();
        EXPECT_TRUE(adapter.waitForFinished(60000));
        if (exitCode)
            *exitCode = adapter.exitCode();
        return adapter.readAll().toStdString();
    }

    static std::string probe(const QString& file)
    {
        return test::ProbeStreams(
            file.toStdString(),
            "stream=codec_type,codec_name,codec_tag_string,width,height,channels,sample_rate:"
            "format=format_name");
    }

    std::string m_temp;
    ConverterRunner m_converter;
};

TEST_F(ConversionTest, FlvBecomesTheAviOfTheProfile)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    test::WriteFile(qpath("temp.flv"), server().streamBytes(clip));

    // What the adapter says, read to its end: a short clip converts faster
    // than the runner reads, so the dialect is checked on the whole text.
    const std::string said = runAdapter();
    EXPECT_EQ(DurationToSeconds(DurationText(said)), clip.seconds) << said;
    EXPECT_NE(said.find("    \r"), std::string::npos) << said;

    const std::string streams = probe(qpath("temp.avi"));
    EXPECT_NE(streams.find(
                  "codec_name=mpeg4|codec_type=video|codec_tag_string=divx|width=320|height=240"),
              std::string::npos)
        << streams;
    EXPECT_NE(streams.find("codec_name=mp3|codec_type=audio|codec_tag_string=U[0][0][0]|sample_"
                           "rate=44100|channels=1"),
              std::string::npos)
        << streams;
    EXPECT_NE(streams.find("format_name=avi"), std::string::npos) << streams;

    // The same conversion the job's way, through the runner.
    ASSERT_TRUE(QFile::remove(qpath("temp.avi")));
    const std::vector<std::int32_t> times = convert();
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(m_converter.exitCode(), 0) << m_converter.output();
    for (std::size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i], times[i - 1]) << "times must not go back";
    EXPECT_EQ(probe(qpath("temp.avi")), streams);
}

// A download cut short still names the whole clip's length in its header;
// ffmpeg converts what is there and ends with 0. That is no whole video.
TEST_F(ConversionTest, AClipCutShortIsNoConversion)
{
    const standin::Clip& clip = *server().clipByVid("1001");
    const std::string whole = server().streamBytes(clip);
    test::WriteFile(qpath("temp.flv"), whole.substr(0, whole.size() / 5));

    int exitCode = 0;
    const std::string said = runAdapter(&exitCode);
    EXPECT_NE(exitCode, 0) << said;
    EXPECT_NE(said.find("nnn.exe: the output lasts "), std::string::npos) << said;
}

TEST_F(ConversionTest, ExistingOutputIsNotOverwritten)
{
    test::WriteFile(qpath("temp.flv"), server().streamBytes(*server().clipByVid("1002")));
    test::WriteFile(qpath("temp.avi"), "keep me");
    convert();
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(test::ReadFile(qpath("temp.avi")), "keep me");

    const std::string said = runAdapter();
    EXPECT_NE(said.find("File '" + path("temp.avi") +
                        "' already exists. Overwrite ? [y/N] Not overwriting - exiting\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(test::ReadFile(qpath("temp.avi")), "keep me");
}

TEST_F(ConversionTest, InputThatIsNoVideoIsAnUnknownFormat)
{
    test::WriteFile(qpath("temp.flv"), "<html>this is an error page, not a video</html>\r\n");
    const std::string said = runAdapter();
    EXPECT_NE(said.find(path("temp.flv") + ": Unknown format\n"), std::string::npos) << said;
    EXPECT_EQ(said.find("Duration: "), std::string::npos) << said;

    convert();
    EXPECT_TRUE(m_converter.finished());
    EXPECT_EQ(DurationToSeconds(m_converter.duration()), 0);
    EXPECT_FALSE(QFile::exists(qpath("temp.avi")));
}

TEST_F(ConversionTest, StoppingTheAdapterStopsItsFfmpeg)
{
    const standin::Clip& clip = *server().clipByVid("1003");
    test::WriteFile(qpath("temp.flv"), server().streamBytes(clip));
    bool ended = false;
    QObject::connect(&m_converter, &ConverterRunner::ended, &m_converter, [&] { ended = true; });
    m_converter.start(ConverterCommandLine(ConverterToolFolder(), m_temp));
    ASSERT_TRUE(test::WaitUntil([&] { return m_converter.isDescribed(); }, 60000));
    const auto group = m_converter.processId();
    m_converter.stop();
    EXPECT_TRUE(test::WaitUntil([&] { return ended; }, 5000)) << "the stopped converter is reaped";
    bool ffmpegLeft = true;
    for (int i = 0; i < 100 && ffmpegLeft; ++i) {
        QProcess pgrep;
        pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-g"), QString::number(group)});
        pgrep.waitForFinished(5000);
        ffmpegLeft = !pgrep.readAllStandardOutput().trimmed().isEmpty();
        if (ffmpegLeft)
            QThread::msleep(50);
    }
    EXPECT_FALSE(ffmpegLeft);
}

} // namespace
} // namespace clipvane
