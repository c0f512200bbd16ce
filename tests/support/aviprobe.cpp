#include "support/aviprobe.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace clipvane::test {

std::string ProbeStreams(const std::string& file, const std::string& entries)
{
    QProcess probe;
    probe.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QString::fromStdString(entries), QStringLiteral("-of"),
                 QStringLiteral("compact=p=0"),
                 QFile::decodeName(QByteArray::fromStdString(file))});
    if (!probe.waitForFinished(60000))
        return {};
    return probe.readAllStandardOutput().toStdString();
}

void ExpectTheAviProfile(const std::string& streams)
{
    EXPECT_NE(streams.find("codec_name=mpeg4|codec_tag_string=divx|width=320|height=240"),
              std::string::npos)
        << streams;
    EXPECT_NE(
        streams.find("codec_name=mp3|codec_tag_string=U[0][0][0]|sample_rate=44100|channels=1"),
        std::string::npos)
        << streams;
}

} // namespace clipvane::test
